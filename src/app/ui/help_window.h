#pragma once
// HelpWindow: the help window with the quick guide; closing only hides it.
#include <QDialog>

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    static QStringList guideLines();
};
