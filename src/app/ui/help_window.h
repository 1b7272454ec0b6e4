#pragma once
// Tchhform: the help window with the quick guide; closing only hides it.
#include <QDialog>

class Tchhform : public QDialog {
    Q_OBJECT
public:
    explicit Tchhform(QWidget* parent = nullptr);
    static QStringList guideLines();
};
