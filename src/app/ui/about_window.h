#pragma once
// AboutWindow: the program's name and the maker's contact links.
#include <QDialog>

class QLabel;

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
    // Says where the shop's data.mdb lives.
    void setLedger(const QString& description);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_mail;
    QLabel* m_site;
    QLabel* m_dataPath;
};
