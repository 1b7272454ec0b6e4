#pragma once
// The report forms of the two A4 documents: DeliveryNoteReport, the delivery note of the POS list, and
// SalesNoteReport, the sales note of the listed sales records. Each is filled at every print and shown in
// the print preview, from which the user prints.
#include "sales/sales_documents.h"

#include <QObject>

class QWidget;

// The capitals of a total for a document. A refused total shows its two messages (the refused
// character's code, when there is one, then the reason) and gives an empty text.
QString documentCapitals(QWidget* parent, const QString& total);

class DeliveryNoteReport : public QObject {
    Q_OBJECT
public:
    explicit DeliveryNoteReport(QObject* parent = nullptr);
    // Fills the report and shows its preview; returns when the preview is closed.
    void preview(QWidget* parent, const DeliveryNoteData& data);
    const PagedDocument& document() const { return m_document; }

private:
    PagedDocument m_document;
};

class SalesNoteReport : public QObject {
    Q_OBJECT
public:
    explicit SalesNoteReport(QObject* parent = nullptr);
    void preview(QWidget* parent, const SalesNoteData& data);
    const PagedDocument& document() const { return m_document; }

private:
    PagedDocument m_document;
};

// Shows a millimetre document in the print preview (A4, its margins).
void previewDocument(QWidget* parent, const PagedDocument& document, const QString& jobName);
