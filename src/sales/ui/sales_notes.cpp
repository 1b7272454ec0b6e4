#include "sales/ui/sales_notes.h"

#include "printing/ui/page_painter.h"
#include "text/capitals.h"
#include "widgets/ui_services.h"

#include <QPrinter>

QString documentCapitals(QWidget* parent, const QString& total) {
    const CapitalsResult result = AmountInCapitals(total);
    if (result.refused) {
        if (result.refusedCode >= 0)
            showInfo(parent, QString::number(result.refusedCode));
        showInfo(parent, result.message);
        return QString();
    }
    return result.text;
}

void previewDocument(QWidget* parent, const PagedDocument& document, const QString& jobName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(jobName);
    setupPrinterPage(printer, document);
    runPrintPreview(parent, printer, [&document](QPrinter* p) {
        setupPrinterPage(*p, document);
        paintDocument(*p, document);
    });
}

DeliveryNoteReport::DeliveryNoteReport(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("Form2")); }

void DeliveryNoteReport::preview(QWidget* parent, const DeliveryNoteData& data) {
    m_document = deliveryNoteDocument(data);
    previewDocument(parent, m_document, QStringLiteral("送货单"));
}

SalesNoteReport::SalesNoteReport(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("form22")); }

void SalesNoteReport::preview(QWidget* parent, const SalesNoteData& data) {
    m_document = salesNoteDocument(data);
    previewDocument(parent, m_document, QStringLiteral("销售单"));
}
