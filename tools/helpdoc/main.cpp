// kurim-helpdoc: renders one help source into an A4 PDF for the folder "Hilfe/".
//
//   kurim-helpdoc <source.txt> <output.pdf>
//
// Help source format (UTF-8 text, one document per file, one block per line):
//   # text        a comment, not rendered
//   = text        the document title (large, on the first page and in every page's footer)
//   == text       a heading
//   === text      a sub-heading
//   - text        a bullet item; following lines that start with blanks continue it
//   (blank line)  ends a paragraph or bullet item
//   any other     paragraph text; consecutive lines are joined with one blank
// Headings are kept together with the first lines of what follows them. Text may come from any
// editor, so control characters are dropped, invalid UTF-8 shows as a replacement character,
// over-long lines are cut and oversized sources are refused; the PDF is written atomically.
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>
#include <QTextOption>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr qint64 MaxSourceBytes = 8 * 1024 * 1024;
constexpr int MaxLineChars = 4000; // a help line is a sentence or a paragraph, never a book
constexpr int MaxPages = 500;
constexpr int Dpi = 300;
constexpr double MarginMm = 20.0;

enum class Kind { Title, Heading, SubHeading, Paragraph, Bullet };

struct Block {
    Kind kind;
    QString text;
};

void Fail(const QString& text) {
    std::fprintf(stderr, "kurim-helpdoc: %s\n", text.toLocal8Bit().constData());
}

// Drops what cannot be drawn: control characters (a tab becomes a blank), and a byte order mark.
QString CleanLine(QString line, bool* cut) {
    if (line.size() > MaxLineChars) {
        line.truncate(MaxLineChars);
        *cut = true;
    }
    QString out;
    out.reserve(line.size());
    for (const QChar c : line) {
        if (c == u'\t')
            out += u' ';
        else if (c.unicode() >= 0x20 && c.unicode() != 0x7F && c != QChar(0xFEFF) &&
                 !(c.unicode() >= 0x80 && c.unicode() < 0xA0))
            out += c;
    }
    return out;
}

std::vector<Block> Parse(const QByteArray& bytes, int* cutLines) {
    std::vector<Block> blocks;
    bool open = false; // the last block is a paragraph or bullet that may continue
    const QString text = QString::fromUtf8(bytes);
    for (QString raw : text.split(u'\n')) {
        if (raw.endsWith(u'\r')) raw.chop(1);
        bool cut = false;
        const QString line = CleanLine(raw, &cut);
        if (cut) ++*cutLines;
        const QString t = line.trimmed();
        if (t.isEmpty()) {
            open = false;
            continue;
        }
        if (t.startsWith(u'#')) continue;
        if (t.startsWith(QLatin1String("==="))) {
            blocks.push_back({Kind::SubHeading, t.mid(3).trimmed()});
            open = false;
        } else if (t.startsWith(QLatin1String("=="))) {
            blocks.push_back({Kind::Heading, t.mid(2).trimmed()});
            open = false;
        } else if (t.startsWith(u'=')) {
            blocks.push_back({Kind::Title, t.mid(1).trimmed()});
            open = false;
        } else if (t.startsWith(QLatin1String("- ")) || t == QLatin1String("-")) {
            blocks.push_back({Kind::Bullet, t.mid(1).trimmed()});
            open = true;
        } else if (open && (blocks.back().kind == Kind::Paragraph ||
                            (blocks.back().kind == Kind::Bullet && line.front().isSpace()))) {
            blocks.back().text += u' ' + t;
        } else {
            blocks.push_back({Kind::Paragraph, t});
            open = true;
        }
    }
    return blocks;
}

double MmToPx(double mm) {
    return mm * Dpi / 25.4;
}

QFont MakeFont(double pt, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pt);
    f.setBold(bold);
    return f;
}

struct Style {
    QFont font;
    QColor color;
    double before; // space above the block, in pixels
    double indent; // text indent from the left margin
};

Style StyleOf(Kind kind) {
    switch (kind) {
    case Kind::Title:
        return {MakeFont(20, true), QColor(0x1F, 0x3A, 0x60), 0, 0};
    case Kind::Heading:
        return {MakeFont(13.5, true), QColor(0x1F, 0x3A, 0x60), MmToPx(5), 0};
    case Kind::SubHeading:
        return {MakeFont(11, true), QColor(0x20, 0x20, 0x20), MmToPx(3), 0};
    case Kind::Bullet:
        return {MakeFont(10.5, false), Qt::black, MmToPx(1), MmToPx(6)};
    case Kind::Paragraph:
        break;
    }
    return {MakeFont(10.5, false), Qt::black, MmToPx(2.2), 0};
}

// One block broken into lines for the text width; the lines are placed on pages afterwards.
struct Laid {
    Kind kind;
    Style style;
    std::unique_ptr<QTextLayout> layout;
};

struct Placed {
    const Laid* block;
    int line; // line of the block's layout
    double y; // top of the line on its page
};

struct Page {
    std::vector<Placed> lines;
    std::vector<double> bullets; // baselines of bullet marks
    std::vector<double> rules;   // y of the rule under a title
};

} // namespace

int main(int argc, char** argv) {
    // The build renders the documents on machines without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        Fail(QStringLiteral("usage: kurim-helpdoc <source.txt> <output.pdf>"));
        return 2;
    }
    const QString sourcePath = args[1];
    const QString outPath = args[2];

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        Fail(QStringLiteral("cannot read %1: %2").arg(sourcePath, source.errorString()));
        return 1;
    }
    if (source.size() > MaxSourceBytes) {
        Fail(QStringLiteral("%1 is too large for a help document (%2 bytes, at most %3)")
                 .arg(sourcePath)
                 .arg(source.size())
                 .arg(MaxSourceBytes));
        return 1;
    }
    int cutLines = 0;
    const std::vector<Block> blocks = Parse(source.read(MaxSourceBytes), &cutLines);
    if (cutLines > 0)
        Fail(QStringLiteral("warning: %1 line(s) in %2 longer than %3 characters were cut")
                 .arg(cutLines)
                 .arg(sourcePath)
                 .arg(MaxLineChars));
    QString title = QFileInfo(sourcePath).completeBaseName();
    for (const Block& b : blocks)
        if (b.kind == Kind::Title) {
            title = b.text;
            break;
        }

    QSaveFile out(outPath);
    if (!out.open(QIODevice::WriteOnly)) {
        Fail(QStringLiteral("cannot write %1: %2").arg(outPath, out.errorString()));
        return 1;
    }
    QPdfWriter pdf(&out);
    pdf.setResolution(Dpi);
    pdf.setTitle(title);
    pdf.setCreator(QStringLiteral("KURIM"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));

    const double pageW = MmToPx(210), pageH = MmToPx(297);
    const double left = MmToPx(MarginMm), top = MmToPx(MarginMm);
    const double textW = pageW - 2 * left;
    const double footerH = MmToPx(10);
    const double bottom = pageH - MmToPx(MarginMm) - footerH;

    // Break every block into lines. The layouts measure with the PDF's resolution.
    std::vector<Laid> laid;
    laid.reserve(blocks.size());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const Block& b : blocks) {
        // The font must reach the layout through its constructor: only there is it scaled to
        // the PDF's resolution.
        const Style style = StyleOf(b.kind);
        Laid l{b.kind, style, std::make_unique<QTextLayout>(b.text, style.font, &pdf)};
        l.layout->setTextOption(option);
        l.layout->beginLayout();
        for (QTextLine line = l.layout->createLine(); line.isValid(); line = l.layout->createLine())
            line.setLineWidth(textW - l.style.indent);
        l.layout->endLayout();
        laid.push_back(std::move(l));
    }

    // Place the lines on pages.
    std::vector<Page> pages(1);
    double y = top;
    auto newPage = [&] {
        if (static_cast<int>(pages.size()) >= MaxPages) return false;
        pages.emplace_back();
        y = top;
        return true;
    };
    for (size_t i = 0; i < laid.size(); ++i) {
        const Laid& b = laid[i];
        QTextLayout& layout = *b.layout;
        const int count = layout.lineCount();
        if (count == 0) continue;
        double needed = b.style.before + layout.lineAt(0).height();
        const bool heading = b.kind == Kind::Heading || b.kind == Kind::SubHeading;
        if (heading && i + 1 < laid.size() && laid[i + 1].layout->lineCount() > 0) {
            const Laid& next = laid[i + 1];
            needed += next.style.before +
                      next.layout->lineAt(0).height() * std::min(2, next.layout->lineCount());
        }
        if (y > top && y + needed > bottom && !newPage()) {
            Fail(QStringLiteral("%1 needs more than %2 pages").arg(sourcePath).arg(MaxPages));
            return 1;
        }
        if (y > top) y += b.style.before;
        for (int n = 0; n < count; ++n) {
            const double h = layout.lineAt(n).height();
            if (y + h > bottom && y > top && !newPage()) {
                Fail(QStringLiteral("%1 needs more than %2 pages").arg(sourcePath).arg(MaxPages));
                return 1;
            }
            pages.back().lines.push_back({&b, n, y});
            if (n == 0 && b.kind == Kind::Bullet)
                pages.back().bullets.push_back(y + layout.lineAt(0).ascent());
            y += h;
        }
        if (b.kind == Kind::Title) {
            y += MmToPx(1.5);
            pages.back().rules.push_back(y);
            y += MmToPx(2);
        }
    }

    QPainter painter;
    if (!painter.begin(&pdf)) {
        Fail(QStringLiteral("cannot start the PDF %1").arg(outPath));
        return 1;
    }
    const QFont footerFont = MakeFont(8, false);
    const QFont bodyFont = StyleOf(Kind::Bullet).font;
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) pdf.newPage();
        const Page& page = pages[p];
        for (const Placed& pl : page.lines) {
            painter.setPen(pl.block->style.color);
            painter.setFont(pl.block->style.font);
            const QTextLine line = pl.block->layout->lineAt(pl.line);
            line.draw(&painter, QPointF(left + pl.block->style.indent, pl.y - line.y()));
        }
        painter.setPen(Qt::black);
        painter.setFont(bodyFont);
        for (double base : page.bullets)
            painter.drawText(QPointF(left + MmToPx(2), base), QString(QChar(0x2022)));
        painter.setPen(QPen(QColor(0x1F, 0x3A, 0x60), MmToPx(0.4)));
        for (double ry : page.rules)
            painter.drawLine(QPointF(left, ry), QPointF(left + textW, ry));

        // Footer: a thin rule, the title on the left, the page count on the right.
        const double fy = pageH - MmToPx(MarginMm) - MmToPx(5);
        painter.setPen(QPen(QColor(0x90, 0x90, 0x90), MmToPx(0.2)));
        painter.drawLine(QPointF(left, fy), QPointF(left + textW, fy));
        painter.setFont(footerFont);
        painter.setPen(QColor(0x50, 0x50, 0x50));
        const QFontMetricsF fm(footerFont, &pdf);
        const QRectF footer(left, fy + MmToPx(1), textW, fm.height());
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignTop,
                         fm.elidedText(title, Qt::ElideRight, textW * 0.75));
        painter.drawText(footer, Qt::AlignRight | Qt::AlignTop,
                         QStringLiteral("%1 / %2").arg(p + 1).arg(pages.size()));
    }
    if (!painter.end() || !out.commit()) {
        Fail(QStringLiteral("cannot write %1: %2").arg(outPath, out.errorString()));
        return 1;
    }
    return 0;
}
