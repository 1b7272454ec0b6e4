#pragma once
// Small builders for the labelled fields that the search box and the stock-in panel lay out.
#include <QComboBox>
#include <QLabel>
#include <QRect>

inline QLabel* addFieldLabel(QWidget* parent, const QString& name, const QString& text, const QRect& at,
                             Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(align);
    label->setGeometry(at);
    return label;
}

// An editable pick list whose typed text is never added to its list.
inline QComboBox* addPickList(QWidget* parent, const QString& name, const QRect& at) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(20);
    box->setGeometry(at);
    return box;
}
