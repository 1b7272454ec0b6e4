#pragma once
// The update component's message table: the texts of its windows and boxes in Simplified Chinese
// and English, the language taken from the system unless it is set.
#include <QLocale>
#include <QString>

// Language indexes of the wizard's language setting; only the two tables below carry texts of
// their own, every other language shows the English ones.
enum class UpdaterLanguage {
    wlAuto = 0,
    wlEnglish = 1,
    wlRussian = 2,
    wlGerman = 3,
    wlFrench = 4,
    wlSpanish = 5,
    wlPortuguese = 6,
    wlPortugueseBrazilian = 7,
    wlItalian = 8,
    wlDutch = 9,
    wlDanish = 10,
    wlSwedish = 11,
    wlFinnish = 12,
    wlEstonian = 13,
    wlUkrainian = 14,
    wlCzech = 15,
    wlHungarian = 16,
    wlRomanian = 17,
    wlCatalan = 18,
    wlBasque = 19,
    wlAfrikaans = 20,
    wlChineseTraditional = 21,
    wlChineseSimplified = 22,
    wlIndonesian = 23,
    wlMalay = 24,
    wlIcelandic = 25,
};

// Entries of the table.
namespace UpdaterText {
enum Entry {
    Caption = 0,
    TitleDownloading = 1,
    TitleFinished = 2,
    CurrentFileGroup = 3,
    AllFilesGroup = 4,
    DownloadingFrom = 5,
    FileSize = 6,          // %.1f Kb
    TransferRate = 7,      // %.1f Kb/s
    TimeLeft = 8,          // %d:%.2d:%.2d
    FileOfFiles = 9,       // %d of %d
    AfterNote = 10,        // %s
    PasswordCaption = 11,
    UserName = 12,
    Password = 13,
    YesButton = 14,
    OkButton = 16,
    CancelButton = 17,
    NextButton = 18,
    LaterButton = 19,
    LostFileCaption = 21,
    Preparing = 22,
    Question = 23,         // %s %s
    NoUpdate = 24,
    NoInfoFile = 25,
    HostUnreachable = 26,  // %s
    AbortQuestion = 27,
    LostFile = 28,         // %s
    PasswordRequest = 29,  // %s
    ConnectionLost = 30,
    // Our own additions.
    TargetFailed = 31,     // %s file, %s reason
    UpgraderFailed = 32,   // %s reason
    LengthUnknown = 33,    // %s file
    EntryCount
};
}

// The system's language mapped as the wizard does it: Chinese of the PRC is Simplified, other
// Chinese Traditional; Brazilian Portuguese apart from Portuguese; unknown languages English.
UpdaterLanguage languageFromLocale(const QLocale& locale);

// The text of an entry for a language (wlAuto: the system's). Carriage returns of the table are
// given as line feeds, so "\r\r" is an empty line between two paragraphs.
QString updaterText(int entry, UpdaterLanguage language);
