#pragma once
// Reads a PDF back with pdftotext -bbox: words and lines with their boxes in points from the top
// left of each page, texts NFKC-normalised (the CJK fonts give compatibility forms such as ⾓).
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QVector>
#include <algorithm>

// With TOVRAKEL_PRINT_DIR set, a copy of the PDF goes there under `name`, to be looked at.
inline void keepPdf(const QString& path, const QString& name) {
    const QString dir = qEnvironmentVariable("TOVRAKEL_PRINT_DIR");
    if (dir.isEmpty())
        return;
    const QString target = dir + QLatin1Char('/') + name;
    QFile::remove(target);
    QFile::copy(path, target);
}

// The CJK fonts map some characters back to radicals or variants that NFKC leaves alone.
inline QString foldPdfText(const QString& text) {
    QString s = text.normalized(QString::NormalizationForm_KC);
    static const std::pair<char16_t, char16_t> folds[] = {{u'\u2EC6', u'角'}, {u'\u2EA0', u'民'}, {u'戶', u'户'},
                                                          {u'\u2ED1', u'长'}, {u'\u2EE2', u'马'}, {u'\u2EDD', u'食'}};
    for (const auto& [from, to] : folds)
        s.replace(QChar(from), QChar(to));
    return s;
}

struct PdfWord {
    int page = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    QString text;
};

struct PdfText {
    QVector<PdfWord> words;
    QVector<double> pageHeights;
    int pageCount() const { return int(pageHeights.size()); }

    static QString unescape(QString s) {
        s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
        s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        return s;
    }

    static PdfText read(const QString& path) {
        PdfText out;
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
        p.waitForFinished(60000);
        const QString xml = QString::fromUtf8(p.readAllStandardOutput());
        static const QRegularExpression page(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
        static const QRegularExpression word(QStringLiteral(
            "<word xMin=\"(-?[\\d.]+)\" yMin=\"(-?[\\d.]+)\" xMax=\"(-?[\\d.]+)\" yMax=\"(-?[\\d.]+)\">([^<]*)</word>"));
        int at = 0;
        QVector<int> pageStarts;
        for (auto m = page.globalMatch(xml); m.hasNext();) {
            const auto pm = m.next();
            pageStarts << int(pm.capturedStart());
            out.pageHeights << pm.captured(2).toDouble();
        }
        for (auto m = word.globalMatch(xml); m.hasNext();) {
            const auto wm = m.next();
            while (at + 1 < pageStarts.size() && wm.capturedStart() > pageStarts[at + 1])
                ++at;
            out.words << PdfWord{at, wm.captured(1).toDouble(), wm.captured(2).toDouble(), wm.captured(3).toDouble(),
                                 wm.captured(4).toDouble(),
                                 foldPdfText(unescape(wm.captured(5)))};
        }
        return out;
    }

    // Words of one page whose tops lie within `tolerance` of each other, left to right, joined by a
    // blank; each line keeps the box of its words.
    QVector<PdfWord> lines(int pageIndex = 0, double tolerance = 1.5) const {
        QVector<QVector<PdfWord>> groups;
        for (const PdfWord& w : words) {
            if (w.page != pageIndex)
                continue;
            auto it = std::find_if(groups.begin(), groups.end(), [&](const QVector<PdfWord>& g) {
                return std::abs(g.first().yMin - w.yMin) <= tolerance;
            });
            if (it == groups.end())
                groups << QVector<PdfWord>{w};
            else
                *it << w;
        }
        QVector<PdfWord> out;
        for (QVector<PdfWord>& g : groups) {
            std::sort(g.begin(), g.end(), [](const PdfWord& a, const PdfWord& b) { return a.xMin < b.xMin; });
            PdfWord line = g.first();
            for (int i = 1; i < g.size(); ++i) {
                line.text += QLatin1Char(' ') + g[i].text;
                line.xMax = std::max(line.xMax, g[i].xMax);
                line.yMin = std::min(line.yMin, g[i].yMin);
                line.yMax = std::max(line.yMax, g[i].yMax);
            }
            out << line;
        }
        std::sort(out.begin(), out.end(), [](const PdfWord& a, const PdfWord& b) { return a.yMin < b.yMin; });
        return out;
    }

    // The first word whose text equals `text`; null when absent.
    const PdfWord* find(const QString& text, int pageIndex = -1) const {
        const QString wanted = foldPdfText(text);
        for (const PdfWord& w : words)
            if ((pageIndex < 0 || w.page == pageIndex) && w.text == wanted)
                return &w;
        return nullptr;
    }

    QString pageText(int pageIndex) const {
        QStringList texts;
        for (const PdfWord& l : lines(pageIndex))
            texts << l.text;
        return texts.join(QLatin1Char('\n'));
    }
    // Whether a page holds `text` (folded the same way) within one of its lines.
    bool pageContains(int pageIndex, const QString& text) const {
        return pageText(pageIndex).contains(foldPdfText(text));
    }
};
