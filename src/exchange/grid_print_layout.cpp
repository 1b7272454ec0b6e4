#include "exchange/grid_print_layout.h"

#include <QHash>

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
constexpr quint32 kGridLine = 0xff808080;
const PageFont kHeaderFont{QStringLiteral("Sans Serif"), 8, false, false};
// The grid's font: as large as the columns allow within these sizes, measured once at the largest.
constexpr double kLargestPoints = 9;
constexpr double kSmallestPoints = 6;
constexpr double kPointsStep = 0.5;
constexpr double kUprightSmallestPoints = 7.5;
// Room for what measuring at one size and printing at another may add (rounding, kerning).
constexpr double kSlack = 0.03;

PageFont gridFont(double points, bool bold = false) { return {QStringLiteral("Arial"), points, bold, false}; }

bool breaksAround(QChar c) { return c.unicode() >= 0x2e80 || c.isSpace(); }

// Widths of texts at the largest grid font: each run that must stay on one line (a number, a
// date, a code, a word) and each Chinese character measured once.
class PieceWidths {
public:
    explicit PieceWidths(const TextMeasure& measure) : m_measure(measure) {
        m_blank = m_measure.width(QStringLiteral(" "), gridFont(kLargestPoints));
    }

    // The widest unbreakable piece of `text` and its width on one line.
    void measure(const QString& text, double* widest, double* line) {
        *widest = *line = 0;
        forEachPiece(text, [&](int, int, double w, bool blank) {
            if (!blank)
                *widest = std::max(*widest, w);
            *line += w;
        });
    }
    double line(const QString& text) {
        double widest = 0, whole = 0;
        measure(text, &widest, &whole);
        return whole;
    }
    // `text` in lines no wider than `width`, broken only between pieces (blanks at a break go).
    QStringList lines(const QString& text, double width) {
        QStringList out;
        QString current;
        double used = 0;
        forEachPiece(text, [&](int at, int length, double w, bool blank) {
            if (blank && current.isEmpty())
                return;
            if (!blank && !current.isEmpty() && used + w > width) {
                out << current.trimmed();
                current.clear();
                used = 0;
            }
            current += text.mid(at, length);
            used += w;
        });
        if (!current.trimmed().isEmpty() || out.isEmpty())
            out << current.trimmed();
        return out;
    }

private:
    // Calls `f(start, length, width, blank)` for each piece of `text` in order: a blank, a Chinese
    // character, or a run of the other characters.
    template <typename F>
    void forEachPiece(const QString& text, F f) {
        for (int i = 0; i < text.size();) {
            if (text[i].isSpace()) {
                f(i, 1, m_blank, true);
                ++i;
                continue;
            }
            int end = i + 1;
            if (text[i].isHighSurrogate() && end < text.size())
                ++end;
            else if (!breaksAround(text[i]))
                while (end < text.size() && !breaksAround(text[end]))
                    ++end;
            f(i, end - i, width(text.mid(i, end - i)), false);
            i = end;
        }
    }

    double width(const QString& piece) {
        auto it = m_cache.constFind(piece);
        if (it != m_cache.constEnd())
            return *it;
        const double w = m_measure.width(piece, gridFont(kLargestPoints));
        m_cache.insert(piece, w);
        return w;
    }

    const TextMeasure& m_measure;
    QHash<QString, double> m_cache;
    double m_blank = 0;
};

// What a column's contents need at the largest font, in mm without the cell's padding.
struct ColumnNeed {
    double piece = 0;    // the widest text that may not break: a piece of a cell, or the title
    double natural = 0;  // every cell on one line
};

struct ColumnFit {
    double points = 0;  // 0: nothing fits; the widths are squeezed at the smallest size
    QVector<double> widths;
};

class ColumnSizer {
public:
    ColumnSizer(const GridPrintTable& table, const TextMeasure& measure) : m_pieces(measure) {
        const PageFont bold = gridFont(kLargestPoints, true);
        const int columns = int(table.columns.size());
        m_needs.resize(columns);
        for (int c = 0; c < columns; ++c) {
            ColumnNeed& need = m_needs[c];
            // Titles keep their line: a lower title whole, an upper one over the columns it spans.
            need.piece = need.natural = measure.width(table.columns[c].lower, bold);
            auto add = [&](const QString& text) {
                double widest = 0, line = 0;
                m_pieces.measure(text, &widest, &line);
                need.piece = std::max(need.piece, widest);
                need.natural = std::max(need.natural, line);
            };
            for (const QStringList& row : table.rows)
                add(row.value(c));
            add(table.footer.value(c));
        }
        for (int c = 0; c < columns;) {
            int end = c + 1;
            while (end < columns && table.columns[end].upper == table.columns[c].upper)
                ++end;
            m_groups.append({c, end, measure.width(table.columns[c].upper, bold)});
            c = end;
        }
    }

    // The widest font that fits `width`, and the column widths at it: each column at least as wide
    // as its unbreakable texts, the room left shared out towards the columns' one-line widths.
    ColumnFit fit(double width) const {
        for (double points = kLargestPoints; points >= kSmallestPoints - 1e-9; points -= kPointsStep) {
            ColumnFit f = fitAt(points, width);
            if (f.points > 0)
                return f;
        }
        // Even the smallest size is too wide: squeeze, so the grid stays on the paper.
        ColumnFit f;
        f.widths = minimums(kSmallestPoints);
        const double total = std::accumulate(f.widths.begin(), f.widths.end(), 0.0);
        for (double& w : f.widths)
            w *= width / total;
        return f;
    }

    // A cell's text in the lines it takes in a column `width` wide at `points`.
    QStringList cellLines(const QString& text, double width, double points) {
        const double room = (width - 2 * kPad - 0.2) / (points / kLargestPoints * (1 + kSlack));
        return m_pieces.lines(text, room);
    }

private:
    struct Group {
        int first, end;
        double title;
    };

    static double scaled(double reference, double points) {
        return reference * points / kLargestPoints * (1 + kSlack) + 2 * kPad + 0.2;
    }

    QVector<double> minimums(double points) const {
        QVector<double> widths;
        for (const ColumnNeed& need : m_needs)
            widths << scaled(need.piece, points);
        for (const Group& g : m_groups) {
            double sum = 0;
            for (int c = g.first; c < g.end; ++c)
                sum += widths[c];
            const double short_ = scaled(g.title, points) - sum;
            if (short_ > 0)
                for (int c = g.first; c < g.end; ++c)
                    widths[c] += short_ * widths[c] / sum;
        }
        return widths;
    }

    ColumnFit fitAt(double points, double width) const {
        ColumnFit f;
        f.widths = minimums(points);
        double spare = width - std::accumulate(f.widths.begin(), f.widths.end(), 0.0);
        if (spare < 0)
            return f;
        f.points = points;
        QVector<double> wish;
        double wished = 0;
        for (int c = 0; c < f.widths.size(); ++c) {
            wish << std::max(0.0, scaled(m_needs[c].natural, points) - f.widths[c]);
            wished += wish[c];
        }
        if (wished >= spare) {
            for (int c = 0; c < f.widths.size(); ++c)
                f.widths[c] += spare * wish[c] / wished;
            return f;
        }
        // Every cell fits on its line; the rest of the page goes to the columns as they are.
        for (int c = 0; c < f.widths.size(); ++c)
            f.widths[c] += wish[c];
        spare -= wished;
        const double total = std::accumulate(f.widths.begin(), f.widths.end(), 0.0);
        for (double& w : f.widths)
            w += spare * w / total;
        return f;
    }

    mutable PieceWidths m_pieces;
    QVector<ColumnNeed> m_needs;
    QVector<Group> m_groups;
};

class Builder {
public:
    Builder(const GridPrintTable& table, const GridPrintSettings& settings, const TextMeasure& measure)
        : m_table(table), m_settings(settings), m_measure(measure), m_sizer(table, measure) {
        m_doc.paperMm = settings.paperMm;
        m_doc.marginLeft = m_doc.marginTop = m_doc.marginRight = m_doc.marginBottom = settings.marginMm;
        m_width = settings.paperMm.width() - 2 * settings.marginMm;
        m_height = settings.paperMm.height() - 2 * settings.marginMm;
        const ColumnFit fit = m_sizer.fit(m_width);
        m_widths = fit.widths;
        m_points = fit.points > 0 ? fit.points : kSmallestPoints;
        m_font = gridFont(m_points);
        m_titleFont = gridFont(m_points, true);
        // A line with Chinese characters takes the height of the font they come from.
        m_lineHeight = std::max(m_measure.lineHeight(m_font), m_measure.wrappedHeight(QStringLiteral("国"), m_font, 1000));
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
            int lines = 1;
            const QStringList cells = brokenCells(m_table.rows[r], &lines);
            const double h = rowHeight(lines);
            if (m_y + h > m_height && m_rowsOnPage > 0) {
                finishPage();
                startPage();
                titles();
            }
            row(cells, h, m_table.rowColours.value(r), 0);
            ++m_rowsOnPage;
        }
        if (!m_table.footer.isEmpty()) {
            int lines = 1;
            const QStringList cells = brokenCells(m_table.footer, &lines);
            const double h = rowHeight(lines);
            if (m_y + h > m_height) {
                finishPage();
                startPage();
                titles();
            }
            row(cells, h, 0, m_table.footerColour);
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

    // The cells broken into their lines here rather than by the painter, which would break a code
    // at its hyphen.
    QStringList brokenCells(const QStringList& cells, int* lines) {
        QStringList out;
        *lines = 1;
        for (int c = 0; c < m_widths.size(); ++c) {
            const QStringList parts = m_sizer.cellLines(cells.value(c), m_widths[c], m_points);
            *lines = std::max(*lines, int(parts.size()));
            out << parts.join(QChar::LineSeparator);
        }
        return out;
    }

    double rowHeight(int lines) const { return lines * m_lineHeight + 2 * kPad; }

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
    ColumnSizer m_sizer;
    PagedDocument m_doc;
    PageItems m_page;
    QVector<double> m_widths;
    PageFont m_font;
    PageFont m_titleFont;
    double m_points = kLargestPoints;
    double m_lineHeight = 0;
    double m_width = 0;
    double m_height = 0;
    double m_y = 0;
    int m_rowsOnPage = 0;
};

}  // namespace

double gridPrintFontPoints(const GridPrintTable& table, double widthMm, const TextMeasure& measure) {
    return ColumnSizer(table, measure).fit(widthMm).points;
}

bool gridPrintWantsLandscape(const GridPrintTable& table, const GridPrintSettings& settings,
                             const TextMeasure& measure) {
    const ColumnSizer sizer(table, measure);
    const QSizeF paper = settings.paperMm;
    const double upright = sizer.fit(std::min(paper.width(), paper.height()) - 2 * settings.marginMm).points;
    if (upright >= kUprightSmallestPoints)
        return false;
    const double across = sizer.fit(std::max(paper.width(), paper.height()) - 2 * settings.marginMm).points;
    return upright == 0 || across > upright;
}

PagedDocument gridPrintDocument(const GridPrintTable& table, const GridPrintSettings& settings,
                                const TextMeasure& measure) {
    return Builder(table, settings, measure).build();
}
