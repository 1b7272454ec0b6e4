#pragma once
// StockInPanel: the stock-in panel Panel3 over the inventory grid, for new batches, corrections
// and returns of a batch.
#include "inventory/stock_in_rules.h"
#include "inventory/stock_record.h"

#include <QObject>
#include <array>
#include <functional>
#include <optional>

class DateField;
class Inventory;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;
struct InventoryControls;
struct InventoryPlaces;

// The panel's pick lists that "全部记录" fills.
struct StockInPickLists {
    QComboBox* name;
    QComboBox* model;
    QComboBox* code;
    QComboBox* category;
    QComboBox* supplier;
};

class StockInPanel : public QObject {
    Q_OBJECT
public:
    enum class Mode { Closed, New, Modify };

    StockInPanel(const InventoryControls& controls, const InventoryPlaces& places, Inventory& inventory);

    // "新建入库" of the menus: open for a new batch.
    void openForNew();
    // "修 改(退货)": open with the current batch of the grid, to be changed by "修改入库".
    void openForModify();
    // A click on a row of the grid: fills the visible fields from that batch; in modify mode the
    // whole panel, and "修改入库" then writes to that batch.
    void prefill(int row);
    // "新建入库" of the panel, "修改入库" of the panel, and the close icon.
    void newStockIn();
    void modify();
    void close();
    // Hides the panel as a query or a sort does: the entry stays, the modification ends.
    void hidePanel();
    // Another batch was clicked: "修改入库" waits for the next "修 改(退货)".
    void disableModify();
    // Empties the entry (`Button9`).
    void clear();

    Mode mode() const;
    QFrame* panel() const { return m_panel; }
    StockInPickLists pickLists() const { return {m_name, m_model, m_code, m_category, m_supplier}; }
    // The remark field, which a batch opened for sale shows too.
    QLineEdit* remark() const { return m_remark; }
    QPushButton* modifyButton() const { return m_modify; }
    // The batch a modification writes to, fixed when the panel was filled for it (0: none).
    qint64 modifyTarget() const { return m_modifyId; }

private:
    void build();
    void wireRules();
    void wireEnterChain();
    QLineEdit* field(StockInField f) const { return m_numbers[size_t(f)]; }
    StockInValues values() const;
    void apply(const StockInAssignments& assignments);
    void runRule(StockInAssignments (*rule)(const StockInValues&));
    StockInEntry entry() const;
    bool requiredFilled();
    // A negative quantity or stock: told, the focus on the quantity, and true.
    bool refused();
    void setFromRow(QComboBox* box, int row, const QString& column);
    void setFromRow(QLineEdit* edit, int row, const QString& column);
    void setProductFromRow(int row);
    // Shows the panel in modify mode with every value of the batch in this row.
    void fillForModify(int row);
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::function<void(const QString&)> m_successPrompt;
    Inventory& m_inventory;
    QFrame* m_panel;
    QComboBox* m_name = nullptr;
    QComboBox* m_model = nullptr;
    QComboBox* m_code = nullptr;
    QComboBox* m_category = nullptr;
    QComboBox* m_supplier = nullptr;
    DateField* m_date = nullptr;
    QLineEdit* m_remark = nullptr;
    std::array<QLineEdit*, kStockInFieldCount> m_numbers{};
    QPushButton* m_new = nullptr;
    QPushButton* m_modify = nullptr;
    QToolButton* m_close = nullptr;
    QLabel* m_title = nullptr;
    QList<QWidget*> m_chain;  // where Enter moves the focus, in order
    qint64 m_modifyId = 0;
    // The batch's sold and stock figures as the panel was filled; none when one was no number.
    std::optional<SoldFigures> m_modifyRead;
};
