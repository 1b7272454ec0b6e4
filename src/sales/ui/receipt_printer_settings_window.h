#pragma once
// "小票打印机": where POS receipts are printed. The system printer (its driver draws the receipt),
// or an ESC/POS receipt printer with its connection, paper and column count, cut and cash drawer,
// and a test page. Every change is kept at once under the main key.
#include "printing/receipt_printer_settings.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class UiServices;

class ReceiptPrinterSettingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReceiptPrinterSettingsWindow(UiServices& services, QWidget* owner = nullptr);

    // The settings as the window shows them.
    ReceiptPrinterSettings settings() const;
    // "打印测试页": true when the page went out; otherwise the user has been told why.
    bool printTestPage();

    QRadioButton* systemPrinterChoice() const { return m_system; }
    QRadioButton* escPosChoice() const { return m_escPos; }
    QLineEdit* connection() const { return m_connection; }
    QComboBox* paper() const { return m_paper; }
    QSpinBox* columns() const { return m_columns; }
    QCheckBox* cut() const { return m_cut; }
    QCheckBox* drawer() const { return m_drawer; }
    QPushButton* testPageButton() const { return m_testPage; }

private:
    void fill(const ReceiptPrinterSettings& settings);
    void keep(const QString& name, const QString& text);
    void paperChosen();
    void showKind();

    UiServices& m_services;
    bool m_showing = false;  // filling the fields writes nothing
    QRadioButton* m_system;
    QRadioButton* m_escPos;
    QGroupBox* m_escPosGroup;
    QLineEdit* m_connection;
    QComboBox* m_paper;
    QSpinBox* m_columns;
    QCheckBox* m_cut;
    QCheckBox* m_drawer;
    QPushButton* m_testPage;
};
