#include "exchange/grid_print_layout.h"

#include <algorithm>
#include <numeric>

const QString kTodayMacro = QStringLiteral("%[Today]");
const QString kToday1Macro = QStringLiteral("%[Today1]");

QString gridPrintMakerText(const QString& user, const QString& date) {
    return QStringLiteral("制表人：") + user + QStringLiteral("    日期：") + date;
}

QString substituteMacro(const QString& line, const QString& macro, const QString& replacement) {
    QString out = line;
    return out.replace(macro, replacement);
}

namespace {

constexpr double kPad = 0.8;          // inside a cell, mm
constexpr double kMmPerPixel = 25.4 / 96;
constexpr quint32 kGridLine = 0xff808080;
constexpr int kMeasuredRows = 500;  // enough to know a column's texts without measuring every row
const PageFont kHeaderFont{QStringLiteral("Sans Serif"), 8, false, false};

class Builder {
public:
    Builder(const GridPrintTable& table, const GridPrintSettings& settings, const TextMeasure& measure)
        : m_table(table), m_settings(settings), m_measure(measure) {
        m_doc.paperMm = settings.paperMm;
        m_doc.marginLeft = m_doc.marginTop = m_doc.marginRight = m_doc.marginBottom = settings.marginMm;
        m_width = settings.paperMm.width() - 2 * settings.marginMm;
        m_height = settings.paperMm.height() - 2 * settings.marginMm;

        // Fitted to the page width; the text shrinks with the grid but stays readable, and rows
        // grow instead.
        double designed = 0;
        for (const GridPrintColumn& c : table.columns)
            designed += std::max(1.0, c.width);
        const double scale = designed > 0 ? m_width / designed : 1;
        m_font = PageFont{QStringLiteral("Arial"), std::clamp(9.0 * scale / kMmPerPixel, 7.0, 9.0), false, false};
        m_titleFont = m_font;
        m_titleFont.bold = true;
        // Each column as wide as its widest text, within half and 1.6 times its designed share, so
        // short values (dates, numbers) do not break and spare room goes where it is needed; then
        // all of them fitted to the page width again.
        QVector<double> wanted;
        double total = 0;
        for (int c = 0; c < table.columns.size(); ++c) {
            const double base = std::max(1.0, table.columns[c].width) * scale;
            double natural = m_measure.width(table.columns[c].lower, m_titleFont);
            const int sample = std::min<int>(int(table.rows.size()), kMeasuredRows);
            for (int r = 0; r < sample; ++r)
                natural = std::max(natural, m_measure.width(table.rows[r].value(c), m_font));
            natural = std::max(natural, m_measure.width(table.footer.value(c), m_font));
            const double w = std::clamp(natural + 2 * kPad + 0.3, base * 0.5, base * 1.6);
            wanted << w;
            total += w;
        }
        for (double w : wanted)
            m_widths << w * m_width / std::max(total, 1e-9);
    }

    PagedDocument build() {
        startPage();
        // Text before the grid, on the first page only.
        const PageFont title = PageFont::song(14, true);
        m_page << pageText(m_width / 2, m_y, m_settings.title, title, Qt::AlignHCenter);
        m_y += m_measure.lineHeight(title);
        m_y += m_settings.blankLinesAfterTitle * m_measure.lineHeight(PageFont::song(10));
        titles();
        for (int r = 0; r < m_table.rows.size(); ++r) {
            const double h = rowHeight(m_table.rows[r]);
            if (m_y + h > m_height && m_rowsOnPage > 0) {
                finishPage();
                startPage();
                titles();
            }
            row(m_table.rows[r], h, m_table.rowColours.value(r), 0);
            ++m_rowsOnPage;
        }
        if (!m_table.footer.isEmpty()) {
            const double h = rowHeight(m_table.footer);
            if (m_y + h > m_height) {
                finishPage();
                startPage();
                titles();
            }
            row(m_table.footer, h, 0, m_table.footerColour);
        }
        // Text after the grid: an empty line, then the maker line at the right.
        const PageFont maker = PageFont::song(10);
        const double after = 2 * m_measure.lineHeight(maker);
        if (m_y + after > m_height) {
            finishPage();
            startPage();
        }
        m_y += m_measure.lineHeight(maker);
        m_page << pageText(m_width, m_y, m_settings.makerLine, maker, Qt::AlignRight);
        finishPage();
        return m_doc;
    }

private:
    void startPage() {
        m_page.clear();
        m_rowsOnPage = 0;
        const int number = int(m_doc.pages.size()) + 1;
        m_page << pageText(m_width / 2, 0, QStringLiteral("Page. ") + QString::number(number), kHeaderFont,
                           Qt::AlignHCenter);
        const double line = m_measure.lineHeight(kHeaderFont) + 0.8;
        m_page << pageLine(0, line, m_width, line, 0.5) << pageLine(0, line + 0.6, m_width, line + 0.6, 0.5);
        m_y = line + 3;
    }

    void finishPage() { m_doc.pages << m_page; }

    double textHeight(const QString& text, double width) const {
        return m_measure.wrappedHeight(text, m_font, std::max(1.0, width - 2 * kPad));
    }

    double rowHeight(const QStringList& cells) const {
        double h = m_measure.lineHeight(m_font);
        for (int c = 0; c < m_widths.size(); ++c)
            h = std::max(h, textHeight(cells.value(c), m_widths[c]));
        return h + 2 * kPad;
    }

    void cell(double x, double w, double h, const QString& text, Qt::Alignment align, const PageFont& font,
              quint32 fill, quint32 colour) {
        const QRectF r(x, m_y, w, h);
        if (fill)
            m_page << pageFill(r, fill);
        PageItem frame = pageFrame(r, 0.3);
        frame.colour = kGridLine;
        m_page << frame;
        PageItem t = pageBox(r.adjusted(kPad, kPad, -kPad, -kPad), text, font, align | Qt::AlignVCenter);
        if (colour)
            t.colour = colour;
        m_page << t;
    }

    // The two title levels: an upper text spans the adjacent columns that share it.
    void titles() {
        const double h = m_measure.lineHeight(m_titleFont) + 2 * kPad;
        double x = 0;
        for (int c = 0; c < m_widths.size();) {
            int end = c + 1;
            double w = m_widths[c];
            while (end < m_widths.size() && m_table.columns[end].upper == m_table.columns[c].upper) {
                w += m_widths[end];
                ++end;
            }
            const GridPrintColumn& col = m_table.columns[c];
            cell(x, w, h, col.upper, Qt::AlignHCenter, m_titleFont, col.band, col.titleColour);
            x += w;
            c = end;
        }
        m_y += h;
        double lower = h;
        for (int c = 0; c < m_widths.size(); ++c)
            lower = std::max(lower, textHeight(m_table.columns[c].lower, m_widths[c]) + 2 * kPad);
        x = 0;
        for (int c = 0; c < m_widths.size(); ++c) {
            const GridPrintColumn& col = m_table.columns[c];
            cell(x, m_widths[c], lower, col.lower, Qt::AlignHCenter, m_titleFont, col.band, col.titleColour);
            x += m_widths[c];
        }
        m_y += lower;
    }

    void row(const QStringList& cells, double h, quint32 colour, quint32 fill) {
        double x = 0;
        for (int c = 0; c < m_widths.size(); ++c) {
            const Qt::Alignment align = m_table.columns[c].align & Qt::AlignHorizontal_Mask;
            cell(x, m_widths[c], h, cells.value(c), align ? align : Qt::AlignLeft, m_font, fill, colour);
            x += m_widths[c];
        }
        m_y += h;
    }

    const GridPrintTable& m_table;
    const GridPrintSettings& m_settings;
    const TextMeasure& m_measure;
    PagedDocument m_doc;
    PageItems m_page;
    QVector<double> m_widths;
    PageFont m_font;
    PageFont m_titleFont;
    double m_width = 0;
    double m_height = 0;
    double m_y = 0;
    int m_rowsOnPage = 0;
};

}  // namespace

PagedDocument gridPrintDocument(const GridPrintTable& table, const GridPrintSettings& settings,
                                const TextMeasure& measure) {
    return Builder(table, settings, measure).build();
}
