#include "text/product_info.h"

const QString kProductName = QStringLiteral("Tovrakel");
const QString kVersionText = QStringLiteral("V2.3.2");
const QString kWebSite = QStringLiteral("https://www.tovrakel.cn");
const QString kSupportMail = QStringLiteral("support@tovrakel.cn");
const QString kSupportQQ = QStringLiteral("80562317");
