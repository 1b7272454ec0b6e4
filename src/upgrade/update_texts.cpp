#include "upgrade/update_texts.h"

#include <QMap>

#include <iterator>

namespace {

const char* const kChinese[] = {
    "软件升级精灵",
    "文档下载中",
    "升级完成！",
    "当前的文档",
    "全部的文档",
    "文档下载源",
    "文档大小:%.1f Kb",
    "传输速率:%.1f Kb/s",
    "估计剩余时间: %d:%.2d:%.2d",
    "当前正在下载:%d of %d",
    "%s 已经升级完成，\r\r请按[确定]键重新启动程序",
    "请输入密码",
    "帐号",
    "密码",
    "[&Y]是",
    "[&N]否",
    "[&O]确定",
    "[&C]取消",
    "[&N]下一个>",
    "[&L]稍等一下",
    "",
    "错误",
    "准备中",
    "%s已经有新版本推出，\n%s\n您要升级到新版本吗？",
    "没有发现新的版本，您目前已经是最新版本。",
    "在服务器中无法找到升级的相关信息。",
    "无法与服务器%s连接。\r\r请检查您的internet设定之后再进行升级操作。",
    "升级操作尚未完成，\r您确定要放弃升级吗？",
    "文档%s找不到或者发生错误，\r\r您要忽略这个文档并且继续升级操作吗？",
    "远端的文档\"%s\"被密码保护，\n\n请输入您的帐号及密码[注册用户]来继续进行升级操作。",
    "与远端服务器的连接中断，\r\r请重新连接后再进行升级操作。",
    "无法保存下载的文档%s：\r%s\r\r升级操作已停止，已下载的文档保留在程序文件夹中。",
    "无法启动升级程序：\r%s\r\r已下载的文档保留在程序文件夹中，程序将继续运行。",
    "服务器没有告知文档%s的大小，无法确认下载是否完整。\r\r升级操作已停止，这个文档不会被安装。",
};

const char* const kEnglish[] = {
    "Application update wizard",
    "Downloading files...",
    "Upgrade completed!",
    "Current file",
    "All files",
    "Downloading file from",
    "File size: %.1f Kb",
    "Transfer rate: %.1f Kb/s",
    "Estimated time left: %d:%.2d:%.2d",
    "Downloading %d of %d",
    "The update of %s has been successfully completed.\r\rPress the OK button to restart program.",
    "Enter password",
    "User Name",
    "Password",
    "&Yes",
    "&No",
    "&OK",
    "&Cancel",
    "&Next >",
    "&Later",
    "",
    "Error",
    "Preparing. . .",
    "A newer version of %s was released.\n%s\nDo you want to update your version with the latest one?",
    "Newer version not found. You actually are\rusing most recent version of this program.",
    "File which contains upgrade information was not found on developer's site.",
    "Host %s unreachable.\r\rPlease check your Internet connection and\rtry to upgrade this software again later.",
    "The update is not completed.\rWould you like to abort upgrading?",
    "File %s not found or inaccessible.\r\rTry to skip this file and continue upgrade?",
    "Access to remote file \"%s\" is password protected.\n\nPlease enter your username and password (received after registration) to continue software upgrade.",
    "Connection with remote server lost.\r\rPlease restore connection and try to\rupgrade this software again later.",
    "The downloaded file %s cannot be saved:\r%s\r\rThe upgrade has been stopped; files already downloaded stay in the program's folder.",
    "The upgrader cannot be started:\r%s\r\rThe downloaded files stay in the program's folder; the program keeps running.",
    "The server did not tell the size of %s, so the download cannot be confirmed to be complete.\r\rThe upgrade has been stopped; this file will not be installed.",
};

static_assert(std::size(kChinese) == UpdaterText::EntryCount);
static_assert(std::size(kEnglish) == UpdaterText::EntryCount);

}  // namespace

UpdaterLanguage languageFromLocale(const QLocale& locale) {
    switch (locale.language()) {
    case QLocale::Chinese:
        // The PRC sub-language; every other Chinese locale reads Traditional.
        return locale.territory() == QLocale::China ? UpdaterLanguage::wlChineseSimplified
                                                    : UpdaterLanguage::wlChineseTraditional;
    case QLocale::Portuguese:
        return locale.territory() == QLocale::Brazil ? UpdaterLanguage::wlPortugueseBrazilian
                                                     : UpdaterLanguage::wlPortuguese;
    default:
        break;
    }
    static const QMap<QLocale::Language, UpdaterLanguage> byLanguage = {
        {QLocale::English, UpdaterLanguage::wlEnglish},     {QLocale::Russian, UpdaterLanguage::wlRussian},
        {QLocale::German, UpdaterLanguage::wlGerman},       {QLocale::French, UpdaterLanguage::wlFrench},
        {QLocale::Spanish, UpdaterLanguage::wlSpanish},     {QLocale::Italian, UpdaterLanguage::wlItalian},
        {QLocale::Dutch, UpdaterLanguage::wlDutch},         {QLocale::Danish, UpdaterLanguage::wlDanish},
        {QLocale::Swedish, UpdaterLanguage::wlSwedish},     {QLocale::Finnish, UpdaterLanguage::wlFinnish},
        {QLocale::Estonian, UpdaterLanguage::wlEstonian},   {QLocale::Ukrainian, UpdaterLanguage::wlUkrainian},
        {QLocale::Czech, UpdaterLanguage::wlCzech},         {QLocale::Hungarian, UpdaterLanguage::wlHungarian},
        {QLocale::Romanian, UpdaterLanguage::wlRomanian},   {QLocale::Catalan, UpdaterLanguage::wlCatalan},
        {QLocale::Basque, UpdaterLanguage::wlBasque},       {QLocale::Afrikaans, UpdaterLanguage::wlAfrikaans},
        {QLocale::Indonesian, UpdaterLanguage::wlIndonesian}, {QLocale::Malay, UpdaterLanguage::wlMalay},
        {QLocale::Icelandic, UpdaterLanguage::wlIcelandic},
    };
    return byLanguage.value(locale.language(), UpdaterLanguage::wlEnglish);
}

QString updaterText(int entry, UpdaterLanguage language) {
    if (entry < 0 || entry >= UpdaterText::EntryCount)
        return {};
    if (language == UpdaterLanguage::wlAuto)
        language = languageFromLocale(QLocale::system());
    // Traditional Chinese readers get the Simplified table rather than English.
    const bool chinese = language == UpdaterLanguage::wlChineseSimplified ||
                         language == UpdaterLanguage::wlChineseTraditional;
    QString text = QString::fromUtf8((chinese ? kChinese : kEnglish)[entry]);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
