// The help documents that the windows open, and the renderer that makes them from their sources.
#include "support/TestSupport.h"
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool IsPdf(const QByteArray& bytes) {
    return bytes.startsWith("%PDF") && bytes.trimmed().endsWith("%%EOF");
}

int PageCount(const QByteArray& pdf) {
    return pdf.count("/Type /Page") - pdf.count("/Type /Pages");
}

struct RunResult {
    int exitCode = -1;
    QString errors;
};

RunResult Render(const QString& source, const QString& pdf) {
    QProcess p;
    p.setProgram(BinDir() + "kurim-helpdoc");
    p.setArguments({source, pdf});
    p.start();
    RunResult r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.errors = "renderer did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace

TEST(HelpDocs, EveryTopicExistsInBothLanguages) {
    for (const char* topic :
         {"kurim", "Konfiguration", "Tabelle", "Diagramm", "Profil", "Schnittstelle"}) {
        for (const char* suffix : {"", "_GB"}) {
            const QString path = BinDir() + "Hilfe/" + topic + suffix + ".pdf";
            const QByteArray pdf = ReadAll(path);
            EXPECT_TRUE(IsPdf(pdf)) << path.toStdString();
            EXPECT_GE(PageCount(pdf), 1) << path.toStdString();
        }
    }
}

TEST(HelpDocs, LongSourceBreaksIntoNumberedPages) {
    QTemporaryDir dir;
    QByteArray src = "= Lange Hilfe\n";
    for (int i = 0; i < 40; ++i)
        src += "== Abschnitt " + QByteArray::number(i) +
               "\nEin Absatz mit etwas Text, der auf die Zeile umbrochen wird, damit "
               "die Seite sich füllt.\n- Punkt eins\n- Punkt zwei\n  weiter\n\n";
    const QString in = dir.filePath("lang.txt"), out = dir.filePath("lang.pdf");
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(src);
    f.close();

    const RunResult r = Render(in, out);
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const QByteArray pdf = ReadAll(out);
    EXPECT_TRUE(IsPdf(pdf));
    EXPECT_GE(PageCount(pdf), 3);
}

// Sources are text files anybody may edit: whatever they hold, the renderer makes a PDF or says
// clearly why not, and an earlier PDF is never left half-written.
TEST(HelpDocs, HostileSourcesGiveAPdfOrAClearError) {
    QTemporaryDir dir;
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char(i * 37 % 256);
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += char(i);

    struct Case {
        const char* name;
        QByteArray content;
        bool exists;
    };
    const std::vector<Case> cases = {
        {"binary", binary, true},
        {"megabyte line without blanks", QByteArray(1 << 20, 'x'), true},
        {"megabyte line of words", QByteArray("Wort ").repeated((1 << 20) / 5), true},
        {"every byte value as heading", "== " + allBytes + "\n- " + allBytes + "\n", true},
        {"markers only", "=\n==\n===\n-\n#\n", true},
        {"empty", QByteArray(), true},
        {"missing", QByteArray(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString in = dir.filePath("source.txt"), out = dir.filePath("out.pdf");
        QFile::remove(in);
        if (c.exists) {
            QFile f(in);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        QFile old(out);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
        old.close();

        const RunResult r = Render(in, out);
        const QByteArray pdf = ReadAll(out);
        if (r.exitCode == 0) {
            EXPECT_TRUE(IsPdf(pdf));
        } else {
            EXPECT_GT(r.exitCode, 0) << "crashed: " << r.errors.toStdString();
            EXPECT_TRUE(r.errors.contains("source.txt")) << r.errors.toStdString();
            EXPECT_EQ(pdf, QByteArray("earlier"));
        }
        EXPECT_EQ(r.exitCode == 0, c.exists) << r.errors.toStdString();
    }
}

TEST(HelpDocs, OversizedSourceIsRefused) {
    QTemporaryDir dir;
    const QString in = dir.filePath("huge.txt"), out = dir.filePath("huge.pdf");
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray block(1 << 20, 'a');
    for (int i = 0; i < 9; ++i)
        f.write(block);
    f.close();

    const RunResult r = Render(in, out);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errors.contains("too large")) << r.errors.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}
