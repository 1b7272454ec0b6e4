#pragma once
// A date field in the program's form "yyyy-mm-dd" with a calendar drop-down; empty it shows
// "    -  -  ".
#include <QDate>
#include <QLineEdit>

class QToolButton;

extern const QString kEmptyDateText;  // "    -  -  "

class DateField : public QLineEdit {
    Q_OBJECT
public:
    explicit DateField(QWidget* parent = nullptr);
    bool isEmptyDate() const { return displayText() == kEmptyDateText; }
    // The date shown; invalid when empty or not a real date.
    QDate date() const;
    void setDate(const QDate& date);
    // The text as the user sees it ("2024-03-05" or "    -  -  ").
    QString dateText() const { return displayText(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showCalendar();
    QToolButton* m_button;
};
