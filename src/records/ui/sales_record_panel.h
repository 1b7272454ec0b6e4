#pragma once
// SalesRecordPanel: the framed panel over the sales grid that shows one sales record, lets its
// arrears and customer details be corrected ("修 改") or the sale be deleted ("删 除").
#include "records/sale_correction.h"
#include "widgets/draggable_panel.h"

class Dataset;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class SalesRecordPanel : public DraggablePanel {
    Q_OBJECT
public:
    enum class Mode { Correction, Deletion };
    explicit SalesRecordPanel(QWidget* parent = nullptr);

    // Shows the current row of `sales` in the mode; false (and nothing shown) when the grid has no
    // rows or the row has no product name.
    bool openFor(const Dataset& sales, Mode mode);
    // The identity of the record shown; -1 when none. Commands act on this record only.
    qint64 recordId() const { return m_recordId; }
    // The correctable fields as the panel showed them when it opened.
    const SaleCorrectionTexts& asRead() const { return m_asRead; }
    Mode mode() const { return m_mode; }
    // Empties the shown values and the customer fields; the arrears field stays as it is.
    void clearShown();
    // Hides the panel and forgets its record.
    void close();

    QLineEdit* arrears() const { return m_arrears; }
    QLineEdit* customerNumber() const { return m_customerNumber; }
    QLineEdit* customerName() const { return m_customerName; }
    QLineEdit* address() const { return m_address; }
    QLineEdit* contact() const { return m_contact; }
    QLineEdit* remark() const { return m_remark; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* modifyButton() const { return m_modify; }
    // The shown value of a read-only row by its column ("a", "2", "day1" …).
    QString shownValue(const QString& column) const;

signals:
    void correctionRequested();
    void deletionRequested();

private:
    QLineEdit* addField(const QString& name, const QString& caption, int y, int width);
    QLabel* m_title;
    QLabel* m_values[8] = {};
    QLineEdit* m_arrears;
    QLineEdit* m_customerNumber;
    QLineEdit* m_customerName;
    QLineEdit* m_address;
    QLineEdit* m_contact;
    QLineEdit* m_remark;
    QPushButton* m_delete;
    QPushButton* m_modify;
    QToolButton* m_close;
    qint64 m_recordId = -1;
    SaleCorrectionTexts m_asRead;
    Mode m_mode = Mode::Correction;
};
