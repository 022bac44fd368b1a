// kurim-cli decode and the analyser simulator, run as the programs they are.
#include "acquisition/Decoders.h"
#include "acquisition/LineCutter.h"
#include "app/Global.h"
#include "app/Values.h"
#include "support/TestSupport.h"
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct ProcessResult {
    int exitCode = -1;
    QByteArray out, err;
};

ProcessResult RunTool(const QString& program, const QStringList& args,
                      const QByteArray& input = {}) {
    QProcess p;
    p.start(BinDir() + program, args);
    ProcessResult r;
    if (!p.waitForStarted(5000)) return r;
    p.write(input);
    p.closeWriteChannel();
    if (!WaitFor([&] { return p.state() == QProcess::NotRunning; }, 20000)) {
        p.kill();
        p.waitForFinished(2000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

TEST(CliDecode, PrintsTheRecordInOrder) {
    const ProcessResult r = RunTool("kurim-cli", {"decode", "--type", "3"}, "052G9.8;\r\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_EQ(lines.size(), 16); // 15 lines and the empty rest after the last newline
    const char* names[] = {"O2",    "CO2",  "CO",     "NO",  "NO2", "NOx", "SO2",
                           "TLUFT", "TGAS", "Lambda", "Eta", "P",   "Qa",  "O2Ref"};
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(lines[i].split('\t').value(0), names[i]);
    EXPECT_EQ(lines[1], "CO2\t9,8000\t1");
    EXPECT_EQ(lines[0], "O2\t0,0000\t0");
    EXPECT_EQ(lines[14], "NoDataTicks\t0");

    for (const QStringList& bad : {QStringList{}, QStringList{"--type", "10"},
                                   QStringList{"--type", "-1"}, QStringList{"--type", "x"}})
        EXPECT_EQ(RunTool("kurim-cli", QStringList{"decode"} + bad).exitCode, 2)
            << bad.join(' ').toStdString();
    EXPECT_EQ(RunTool("kurim-cli", {"decode", "--type", "3", "--nonsense"}).exitCode, 2);
}

// The worked examples of the decoders and the conversions, through the command line.
TEST(CliDecode, ReproducesTheWorkedExamples) {
    struct Case {
        QStringList args;
        QByteArray input;
        QList<QByteArray> expected; // lines that must appear in the output
    } cases[] = {
        {{"--type", "3"}, "052G9.8;\r052F9.8;\r", {"CO2\t0,0000\t0"}},
        {{"--type", "9"}, "080G0.12;\r", {"P\t-0,1200\t1"}},
        {{"--type", "8"}, "080G0.12;\r", {"P\t0,1200\t1"}},
        {{"--type", "2"}, "057G40;\r061G5;\r061G7;\r", {"NOx\t45,0000\t1", "NO2\t7,0000\t1"}},
        {{"--type", "3"}, "052G9.8;\r999G1;\r", {"CO2\t9,8000\t1", "NoDataTicks\t0"}},
        {{"--type", "1"}, "CO 17 ppm\r", {"CO\t0,0000\t0", "NoDataTicks\t1200"}},
        {{"--type", "1"}, "CO 17 ppm\rNO 30 ppm\r", {"CO\t17,0000\t1", "NO\t30,0000\t1"}},
        {{"--type", "1", "--mg"}, "CO 17 ppm\rNO 30 ppm\r", {"CO\t21,2500\t1", "NO\t40,2000\t1"}},
        {{"--type", "1"}, "LAMBDA = 1,2\rNO 1\rLAMBDA = EEEE\rNO 1\r", {"Lambda\t0,0000\t0"}},
        {{"--type", "1"}, "O2-Bezug : 3\rNO 1\r", {"O2Ref\t3,0000\t1"}},
        {{"--type", "1"}, "O2-REF 6\rNO 1\r", {"O2Ref\t6,0000\t1"}},
        {{"--type", "6"},
         "*3;4;10;\r20.5;12;1.9;\r",
         {"O2\t20,5000\t1", "CO\t12,0000\t1", "CO2\t1,9000\t1"}},
        {{"--type", "6"}, "20.5;12;1.9;\r", {"O2\t0,0000\t0", "NoDataTicks\t0"}},
        {{"--type", "4"}, "51G9\r", {"O2\t0,0000\t0", "NoDataTicks\t100"}},
        {{"--type", "3", "--mg", "--bezug"}, "051G9.0;\r053G100;\r", {"CO\t187,5000\t1"}},
        {{"--type", "3", "--mg", "--bezug"}, "051G2.0;\r053G100;\r", {"CO\t125,0000\t1"}},
        {{"--type", "3", "--mg", "--bezug", "--bonus"},
         "051G2.0;\r053G100;\r",
         {"CO\t118,4211\t1"}},
        {{"--type", "3", "--mg", "--bezug", "--bezugo2", "5,0"},
         "051G9.0;\r053G100;\r",
         {"CO\t166,6667\t1"}},
        {{"--type", "3", "--mg", "--bezug"}, "053G100;\r", {"CO\t125,0000\t0"}},
        {{"--type", "3", "--mg", "--bezug"}, "051G20.0;\r053G100;\r", {"CO\t125,0000\t0"}},
        // Bytes below 0x20 vanish, LF ends nothing, a line without CR is never decoded.
        {{"--type", "3"},
         QByteArray("\n05\x00"
                    "2G9\t.8;\n\r041G180",
                    20),
         {"CO2\t9,8000\t1", "TGAS\t0,0000\t0"}},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunTool("kurim-cli", QStringList{"decode"} + c.args, c.input);
        ASSERT_EQ(r.exitCode, 0) << c.args.join(' ').toStdString();
        const QList<QByteArray> lines = r.out.split('\n');
        for (const QByteArray& e : c.expected)
            EXPECT_TRUE(lines.contains(e))
                << c.args.join(' ').toStdString() << " / " << c.input.toHex().constData()
                << ": expected " << e.constData() << " in\n"
                << r.out.constData();
    }
}

TEST(CliDecode, ReportsAndSkipsOverlongLines) {
    const ProcessResult r =
        RunTool("kurim-cli", {"decode", "--type", "3"}, QByteArray(5000, '5') + "\r052G9.8;\r");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("CO2\t9,8000\t1"));
    EXPECT_TRUE(r.out.contains("O2\t0,0000\t0"));
    EXPECT_TRUE(r.err.contains("4096")) << r.err.constData();
}

struct Expectation {
    int type;
    QList<int> present;
};

// Decodes the simulator's stream in this process, as the polling loop would.
void DecodeStream(int type, const QByteArray& stream) {
    ResetGlobalState();
    DeviceType = type;
    LineCutter cutter;
    cutter.Feed(stream, [&](QByteArrayView line) { DecodeLine(type, line); });
}

TEST(Simulator, EveryAnalyserTypeDecodesToPlausibleValues) {
    const QList<int> channels = {mvO2,  mvCO2,   mvCO,   mvNO,     mvNO2, mvNOx,
                                 mvSO2, mvTLUFT, mvTGAS, mvLambda, mvP,   mvQa};
    const Expectation expectations[] = {
        {1,
         {mvO2, mvCO2, mvCO, mvNO, mvNO2, mvNOx, mvSO2, mvTLUFT, mvTGAS, mvLambda, mvEta, mvO2Ref}},
        {2, channels},
        {3, channels},
        {4, {mvO2, mvCO2, mvCO, mvNO, mvNO2, mvSO2, mvTLUFT, mvTGAS, mvP, mvQa}},
        {5, {mvO2, mvCO, mvNO, mvNO2, mvSO2}},
        {6,
         {mvO2, mvCO2, mvCO, mvNO, mvNO2, mvNOx, mvSO2, mvTLUFT, mvTGAS, mvLambda, mvEta, mvP,
          mvQa}},
        {7, channels},
        {8, channels},
        {9, channels},
    };
    for (const Expectation& e : expectations) {
        // The burner rests for three seconds and then fires for at least forty.
        const ProcessResult r = RunTool("kurim-sim", {"--type", QString::number(e.type), "--seed",
                                                      "11", "--sets", "40", "--no-pace"});
        ASSERT_EQ(r.exitCode, 0) << e.type;
        DecodeStream(e.type, r.out);
        const auto& v = CurrentValues.Values;
        for (int mv = 1; mv <= MeasuredValueCount; ++mv)
            EXPECT_EQ(CurrentValues.Present[mv], e.present.contains(mv))
                << "type " << e.type << " value " << MeasuredValueName(mv).toStdString();
        EXPECT_GE(v[mvO2], 2.5) << e.type;
        EXPECT_LE(v[mvO2], 9.0) << e.type;
        if (e.present.contains(mvCO2)) {
            EXPECT_NEAR(v[mvCO2], 15.4 * (21 - v[mvO2]) / 21, 0.2) << e.type;
        }
        if (e.present.contains(mvTGAS)) {
            EXPECT_GE(v[mvTGAS], 90) << e.type;
            EXPECT_LE(v[mvTGAS], 230) << e.type;
        }
        if (e.present.contains(mvP)) {
            EXPECT_LE(v[mvP], -0.02) << e.type; // draught, whatever sign the analyser sends
            EXPECT_GE(v[mvP], -0.2) << e.type;
        }
        if (e.present.contains(mvLambda)) {
            EXPECT_NEAR(v[mvLambda], 21 / (21 - v[mvO2]), 0.05) << e.type;
        }
        if (e.present.contains(mvNOx) && e.present.contains(mvNO2)) {
            EXPECT_NEAR(v[mvNOx], v[mvNO] + v[mvNO2], 1.01) << e.type;
        }
    }
    ResetGlobalState();
}

TEST(Simulator, SeededStreamsRepeatAndTheVelaHeaderComesBackAfterAPause) {
    const QStringList args = {"--type", "6", "--sets", "65", "--pause-every", "60", "--no-pace"};
    const ProcessResult a = RunTool("kurim-sim", args + QStringList{"--seed", "3"});
    const ProcessResult b = RunTool("kurim-sim", args + QStringList{"--seed", "3"});
    const ProcessResult c = RunTool("kurim-sim", args + QStringList{"--seed", "4"});
    ASSERT_EQ(a.exitCode, 0);
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out, c.out);
    const QList<QByteArray> lines = a.out.split('\n');
    EXPECT_TRUE(lines.first().startsWith('*'));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const QByteArray& l) { return l.startsWith('*'); }),
              2);
    EXPECT_EQ(lines.size(), 65 + 2 + 1);

    EXPECT_EQ(RunTool("kurim-sim", {"--type", "10"}).exitCode, 2);
    EXPECT_EQ(RunTool("kurim-sim", {"--link", "/tmp/x"}).exitCode, 2);
}

// Reads from the pseudo-terminal until two whole telegrams arrived or the time is up.
QByteArray ReadTelegrams(const QString& path) {
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return {};
    QByteArray got;
    WaitFor(
        [&] {
            char buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, n);
            return got.count("\r\n") >= 3;
        },
        5000);
    close(fd);
    return got;
}

TEST(Simulator, FeedsAPseudoTerminalThatAPlainReaderCanRead) {
    QTemporaryDir dir;
    const QString link = dir.path() + "/analyser";
    QProcess sim;
    sim.start(BinDir() + "kurim-sim",
              {"--pty", "--link", link, "--type", "3", "--seed", "1", "--baud", "115200"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return sim.canReadLine(); }, 5000));
    const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();
    EXPECT_TRUE(pty.startsWith("/dev/pts/")) << pty.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), pty);

    QByteArray got = ReadTelegrams(link);
    EXPECT_TRUE(got.contains("G") && got.contains(";\r\n")) << got.constData();

    // With no reader attached the simulator goes on, and a new reader gets live telegrams.
    QThread::msleep(1200);
    EXPECT_EQ(sim.state(), QProcess::Running);
    got = ReadTelegrams(pty);
    EXPECT_GE(got.count("\r\n"), 3);

    sim.terminate();
    ASSERT_TRUE(WaitFor([&] { return sim.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

} // namespace
