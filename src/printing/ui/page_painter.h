#pragma once
// Paints the computed page layouts with QPainter on a printer (or any paint device), measures
// texts for layouts that grow with them, and runs the print preview, which tests replace.
#include "printing/page_items.h"

#include <QFont>
#include <functional>

class QPainter;
class QPaintDevice;
class QPrinter;
class QWidget;

// The font of an item on a device (the family "宋体" goes through the font substitution).
QFont pageFont(const PageFont& font);

// Paints one page's items; `dotsPerUnit` turns layout units into device units (1 for dots).
void paintPageItems(QPainter& painter, const PageItems& items, double dotsPerUnit);

// Gives the printer the document's paper and margins (millimetre documents).
void setupPrinterPage(QPrinter& printer, const PagedDocument& document);
// Paints every page of a millimetre document, at the document's own margins from the paper edge.
// False when the job cannot start.
bool paintDocument(QPrinter& printer, const PagedDocument& document);

// Text widths and heights in millimetres as they come out on the device.
TextMeasure textMeasure(QPaintDevice* device);

// The print preview: shows `paint` on `printer` and returns when the user closes it (printed or
// not). The program's runner is QPrintPreviewDialog (800 x 600, fitted to the window); tests put a
// runner that renders into a PDF file instead.
using PrintPreviewRunner =
    std::function<void(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint)>;
void runPrintPreview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint);
// Installs a runner for the run (an empty one restores the dialog); returns the previous one.
PrintPreviewRunner setPrintPreviewRunner(PrintPreviewRunner runner);
