#pragma once
// SalePanel: the sale panel Panel1 floating over the inventory grid, where one batch is sold:
// price (or discount), quantity, arrears, date and customer, confirmed with "销售确认".
#include "sales/sale_entry.h"
#include "widgets/draggable_panel.h"

#include <functional>

class DateField;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class Session;

class SalePanel : public DraggablePanel {
    Q_OBJECT
public:
    explicit SalePanel(Session& session, QWidget* parent = nullptr);

    // Opens the panel on a batch (a double click on the grid); a batch without a name opens nothing.
    void openFor(const StockRecord& stock);
    // The close icon: hides and clears the panel.
    void closePanel();
    // "销售确认": checks, writes the sale, then the follow-up steps. False when nothing was sold.
    bool confirm();
    // The "+" button: the next customer number, above those of the run and those stored for today.
    void nextCustomerNumber();
    // Empties the per-line fields; the customer, discount and date stay for the next line.
    void clear();
    // Puts a customer number into its field (which remembers it as `ordernumber`).
    void setCustomerNumber(const QString& number);
    // Lists the distinct customer names of the sales records, keeping the name typed.
    void fillCustomerNames();
    // Adds a customer name the list does not hold yet (by filling it again, in its order).
    void addCustomerName(const QString& name);

    // The batch the panel is open on (its identity is what a sale writes to).
    const StockRecord& stock() const { return m_stock; }
    DateField* saleDate() const { return m_saleDate; }
    QComboBox* customerNameList() const { return m_customerName; }
    int sequenceCounter() const { return m_counter; }

    // Where "销售数据保存成功..." shows (the main window's prompt). The views that show stock and
    // sales follow the ledger's events on their own.
    void setSuccessPrompt(std::function<void(const QString&)> prompt) { m_successPrompt = std::move(prompt); }

signals:
    // A confirmed sale's line, for the POS list.
    void lineSold(const SoldLine& line);
    // After the line: the customer for the POS panel and the customer-number filter of the sales
    // details.
    void customerSold(const QString& customerName, const QString& customerNumber);
    // The close icon was used.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Session& m_session;
    void build();
    void wireFields();
    void wireKeys();
    QLabel* addCaption(const QString& name, const QString& text, int x, int y);
    QLabel* addValue(const QString& name, int y, int width);
    QLineEdit* addField(const QString& name, int x, int y, int width);
    SaleEntryTexts entryTexts() const;
    void recalculateAmount();
    void applyDiscount();
    void runComputation();
    void showFigures(const SaleFigures& figures);
    bool refuse(SaleRefusal refusal);
    // The highest counter of today's customer numbers in the sales records (0 when none).
    int storedCounter();
    void startOrder(int counter);

    StockRecord m_stock;
    std::optional<SaleFigures> m_figures;
    std::function<void(const QString&)> m_successPrompt;
    int m_counter = 1;
    // The number the panel handed out for a new order, until a line is sold under it or the user
    // types another; the day it was built for.
    QString m_newOrderNumber;
    QDate m_newOrderDay;

    QLabel* m_nameValue = nullptr;
    QLabel* m_modelValue = nullptr;
    QLabel* m_codeValue = nullptr;
    QLabel* m_categoryValue = nullptr;
    QLabel* m_suggestedValue = nullptr;
    QLineEdit* m_price = nullptr;
    QLineEdit* m_discount = nullptr;
    QLineEdit* m_quantity = nullptr;
    QWidget* m_discountArrows = nullptr;  // the arrows beside the discount and the quantity
    QWidget* m_quantityArrows = nullptr;
    QLineEdit* m_stockQuantity = nullptr;
    QLineEdit* m_amount = nullptr;
    QLineEdit* m_arrears = nullptr;
    DateField* m_saleDate = nullptr;
    QLineEdit* m_customerNumber = nullptr;
    QPushButton* m_plus = nullptr;
    QComboBox* m_customerName = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_contact = nullptr;
    QLineEdit* m_remark = nullptr;
    QPushButton* m_confirm = nullptr;
    QToolButton* m_close = nullptr;
    QList<QWidget*> m_enterChain;
};

// The product picture beside the batch's name (a drawn price tag), 97 points square, drawn with
// `pixelRatio` device pixels per point.
QPixmap salePanelPicture(qreal pixelRatio = 1.0);
