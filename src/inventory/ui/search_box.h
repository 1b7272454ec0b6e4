#pragma once
// QuickSearchBox: the fields of the quick search group "快速拼音查询" in the main window.
#include "inventory/inventory_search.h"

#include <QObject>

class DateField;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

class QuickSearchBox : public QObject {
    Q_OBJECT
public:
    // Lays the fields out in the group, which already holds the two date fields.
    QuickSearchBox(QGroupBox* box, DateField* from, DateField* to);

    SearchConditions conditions() const;
    // "清空条件": empties the three initials/code fields one by one (each emptying runs the search
    // as any change of them does), then the category and the date tick without a search.
    void clearConditions();

    QComboBox* category() const { return m_category; }
    QComboBox* supplier() const { return m_supplier; }
    DateField* dateFrom() const { return m_from; }
    DateField* dateTo() const { return m_to; }

signals:
    // One of the four live fields changed, or "查询" was pressed.
    void searchRequested();

private:
    QGroupBox* m_box;
    QComboBox* m_category;
    QLineEdit* m_name;
    QLineEdit* m_model;
    QLineEdit* m_code;
    QCheckBox* m_dateRange;
    DateField* m_from;
    DateField* m_to;
    QComboBox* m_supplier;
};
