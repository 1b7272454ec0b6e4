#pragma once
// The program's own pictures (app_icon.qrc), drawn from SVG at any size and pixel ratio.
#include <QIcon>
#include <QString>

// `name` as the resource calls it, e.g. "tovrakel.svg".
QIcon programPicture(const QString& name);
