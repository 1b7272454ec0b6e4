#pragma once
// Who the program is and where its makers are found: shown in titles, the about box and messages.
#include <QString>

extern const QString kProductName;  // "Tovrakel"
extern const QString kVersionText;  // "V2.3.2"
extern const QString kWebSite;
extern const QString kSupportMail;
extern const QString kSupportQQ;
