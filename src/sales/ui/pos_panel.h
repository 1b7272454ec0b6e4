#pragma once
// PosPanel (Panel3): the floating POS panel of the sales details window: six product lines with
// their "删" buttons, the notes box, the customer name, the total refreshed every 200 ms, cash and
// change, and the receipt and delivery note printing.
#include "sales/pos_list.h"
#include "widgets/draggable_panel.h"

#include <QPointer>
#include <array>
#include <functional>

class Dataset;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class DeliveryNoteReport;

class PosPanel : public DraggablePanel {
    Q_OBJECT
public:
    enum Cell { kCode, kName, kModel, kQuantity, kPrice, kAmount, kCells };

    explicit PosPanel(QWidget* parent = nullptr);

    // Where the printed documents take the shop's and the order's texts from (the company fields
    // and the customer-number filter of the sales details window, the logged-in user).
    struct Context {
        std::function<QString()> company;
        std::function<QString()> address;
        std::function<QString()> customerNumber;
        std::function<QString()> user;
        std::function<void(const QString&)> setCustomerFilter;
        QPointer<DeliveryNoteReport> deliveryNote;
    };
    void setContext(const Context& context) { m_context = context; }

    // A confirmed sale's line; the amount becomes its two-decimal text. Returns the line filled,
    // or -1 when all six hold a product (nothing is said).
    int addLine(const QString& code, const QString& name, const QString& model, const QString& quantity,
                const QString& price, double amount);
    int addLine(const PosLine& line);
    // "POS小票(销售单)打印": the current row of the sales query as a line. Shows the panel first;
    // into line 1 it also brings the customer name and lists the order by its customer number.
    void addSalesRecord(const Dataset& sales);
    // "删" of one line (0 to 5).
    void removeLine(int index);
    // The close icon: hides the panel and empties the six lines.
    void closePanel();
    // After a receipt or a delivery note: customer name, cash, change and the six lines emptied.
    void clearAfterPrint();

    // One tick of the total timer.
    void refreshTotal();
    // Cash left: the change, when the cash field holds something.
    void computeChange();
    // "POS小票打印": prints and clears; a failed job keeps everything. True when printed.
    bool printReceipt();
    // "销售单打印": the delivery note's preview, then the panel cleared (notes too).
    void printDeliveryNote();

    const PosList& list() const { return m_list; }
    QLineEdit* cell(int line, Cell cell) const { return m_cells[size_t(line)][size_t(cell)]; }
    QPushButton* deleteButton(int line) const { return m_delete[size_t(line)]; }
    QLineEdit* customerName() const { return m_customer; }
    QPlainTextEdit* notes() const { return m_notes; }
    QLineEdit* total() const { return m_total; }
    QLineEdit* cash() const { return m_cash; }
    QLineEdit* change() const { return m_change; }
    QPushButton* receiptButton() const { return m_receipt; }
    QPushButton* deliveryNoteButton() const { return m_deliveryNote; }
    QToolButton* closeButton() const { return m_close; }
    QTimer* totalTimer() const { return m_timer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showLine(int index);
    QString contextText(const std::function<QString()>& source) const;

    PosList m_list;
    Context m_context;
    std::array<std::array<QLineEdit*, kCells>, PosList::kLines> m_cells{};
    std::array<QPushButton*, PosList::kLines> m_delete{};
    QLineEdit* m_customer;
    QPlainTextEdit* m_notes;
    QLineEdit* m_total;
    QLineEdit* m_cash;
    QLineEdit* m_change;
    QPushButton* m_receipt;
    QPushButton* m_deliveryNote;
    QToolButton* m_close;
    QTimer* m_timer;
};
