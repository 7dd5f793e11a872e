// kavitro-doc, run as a program on documents the test writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "DocumentFixture.h"
#include "tests/support/HostileFiles.h"
#include "document/Dib.h"
#include "document/DrawPicture.h"

namespace kavitro {
namespace {

using test::AddLine;
using test::AddRect;
using test::Place;

struct ToolRun {
    int exitCode = -1;
    QByteArray out, err;
};

ToolRun Tool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc"), args);
    ToolRun r;
    if (!p.waitForFinished(120000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// An independent reader, when installed: exit status 0 and a non-empty output.
bool ReaderAccepts(const QString& program, const QStringList& args, const QString& output) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << ": " << p.readAllStandardError().toStdString();
        return false;
    }
    return QFile(output).size() > 0;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class DocToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        auto doc = test::NewDocument(env.services);
        doc->AddPage(0);
        CDrawRect* r = AddRect(*doc, Place(-9000, -9000, 5000, 3000), 0, CDrawRect::RoundRectangle);
        const Point pivot{-6000, -7000};
        r->m_position.SetAngle(15, &pivot);
        r->m_logbrush.color = RGB(200, 30, 30);
        AddRect(*doc, Place(-4000, -2000, 2000, 1500), 1, CDrawRect::Ellipse);
        AddLine(*doc, Place(-100, -100, -7000, -9000), kEveryPageFlags);
        DefaultDocumentView view;
        doc->AddGuideline(&view, 1, -3000);
        path = dir.filePath("doc.kv2");
        ASSERT_TRUE(doc->OnSaveDocument(path));
    }

    test::TestServices env;
    QTemporaryDir dir;
    QString path;
};

TEST_F(DocToolTest, DumpsTheDocumentAsJson) {
    const ToolRun r = Tool({"dump", path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(r.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(o["pageSize"].toArray(), (QJsonArray{21590, 27940}));
    EXPECT_EQ(o["margins"].toArray(), (QJsonArray{500, 500, 500, 500}));
    EXPECT_EQ(o["pageCount"].toInt(), 2);
    EXPECT_EQ(o["zoom"].toInt(), 100);
    const QJsonArray objects = o["objects"].toArray();
    ASSERT_EQ(objects.size(), 3);
    const QJsonObject first = objects[0].toObject();
    EXPECT_EQ(first["class"].toString(), "CDrawRect");
    EXPECT_EQ(first["angle"].toInt(), 15);
    EXPECT_EQ(first["shape"].toInt(), 1);
    EXPECT_EQ(first["rect"].toArray(), (QJsonArray{-9000, -9000, -4000, -6000}));
    EXPECT_EQ(first["brush"].toObject()["color"].toString(), "0x001e1ec8");
    EXPECT_EQ(objects[2].toObject()["class"].toString(), "CDrawLine");
    EXPECT_EQ(objects[2].toObject()["page"].toString(), "0xf0000000");
    EXPECT_EQ(o["guideLines"].toArray()[0].toObject()["orientation"].toInt(), 1);
}

// Standard error is for the tool's own messages: a clean run, even in a
// session without a runtime folder (a cron job, a container), says nothing.
TEST_F(DocToolTest, ACleanRunWritesNothingToStandardError) {
    QProcess p;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral(KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc"), {"dump", path});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardError().toStdString(), "");
}

TEST_F(DocToolTest, ResaveIsByteIdenticalAndBadFilesFail) {
    const QString out = dir.filePath("again.kv2");
    const ToolRun r = Tool({"resave", path, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ReadAll(out), ReadAll(path));

    QFile bad(dir.filePath("bad.kv2"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(ReadAll(path).left(200));
    bad.close();
    const ToolRun refused = Tool({"dump", bad.fileName()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("damaged")) << refused.err.toStdString();
    EXPECT_EQ(Tool({"dump"}).exitCode, 2);
    EXPECT_EQ(Tool({"export", path, out, "--format", "svg"}).exitCode, 2);
}

TEST_F(DocToolTest, ExportsMetafilesThatIndependentReadersAccept) {
    const QString emf = dir.filePath("page.emf");
    const QString wmf = dir.filePath("page.wmf");
    const QString eps = dir.filePath("page.eps");
    ASSERT_EQ(Tool({"export", path, emf, "--page", "0", "--format", "emf"}).exitCode, 0);
    ASSERT_EQ(Tool({"export", path, wmf, "--page", "1", "--format", "wmf"}).exitCode, 0);
    ASSERT_EQ(Tool({"export", path, eps, "--page", "0", "--format", "eps"}).exitCode, 0);
    EXPECT_TRUE(ReadAll(eps).startsWith("%!PS-Adobe"));
    EXPECT_EQ(ReadAll(wmf).left(4), QByteArray("\xD7\xCD\xC6\x9A", 4));  // placeable header

    const QString emf2svg = QStandardPaths::findExecutable("emf2svg-conv");
    if (!emf2svg.isEmpty()) {
        EXPECT_TRUE(ReaderAccepts(emf2svg, {"-i", emf, "-o", dir.filePath("emf.svg")}, dir.filePath("emf.svg")));
    }
    const QString wmf2svg = QStandardPaths::findExecutable("wmf2svg");
    if (!wmf2svg.isEmpty()) {
        EXPECT_TRUE(ReaderAccepts(wmf2svg, {"-o", dir.filePath("wmf.svg"), wmf}, dir.filePath("wmf.svg")));
    }
    const QString gs = QStandardPaths::findExecutable("gs");
    if (!gs.isEmpty()) {
        // The file alone: it carries the definitions of what it uses.
        QProcess p;
        p.start(gs, {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=bbox", eps});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    if (emf2svg.isEmpty() || wmf2svg.isEmpty() || gs.isEmpty())
        GTEST_SKIP() << "emf2svg-conv, wmf2svg or gs is not installed";
}

TEST_F(DocToolTest, RasterExportsKeepToTheirSizeAndThumbnailsExtract) {
    // The picture fits into the size given, its aspect kept; a size beyond
    // the limits is refused and writes nothing.
    const ToolRun png = Tool({"export", path, dir.filePath("page.png"), "--page", "0", "--format", "png", "--width", "300",
                              "--height", "300"});
    ASSERT_EQ(png.exitCode, 0) << png.err.toStdString();
    const QImage page(dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(std::max(page.width(), page.height()), 300);
    const ToolRun huge = Tool({"export", path, dir.filePath("huge.gif"), "--format", "gif", "--width", "40000"});
    EXPECT_EQ(huge.exitCode, 1);
    EXPECT_TRUE(huge.err.contains("32767")) << huge.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("huge.gif")));
    EXPECT_EQ(Tool({"export", path, dir.filePath("x.emf"), "--page", "5", "--format", "emf"}).exitCode, 1);

    const QString bmp = dir.filePath("thumb.bmp");
    const ToolRun t = Tool({"thumbnail", path, bmp});
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    const QImage image(bmp);
    ASSERT_FALSE(image.isNull());
    EXPECT_LE(image.width(), 600);
    EXPECT_LE(image.height(), 800);
    EXPECT_TRUE(image.width() == 600 || image.height() == 800);
}

TEST_F(DocToolTest, PrintsEveryPageIntoAPdfOfTheDocumentsPaper) {
    const QString pdf = dir.filePath("doc.pdf");
    const ToolRun r = Tool({"print", path, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(ReadAll(pdf).startsWith("%PDF-"));
    const ToolRun bad = Tool({"print", dir.filePath("missing.kv2"), dir.filePath("bad.pdf")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("bad.pdf")));

    const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
    if (pdfinfo.isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
    QProcess p;
    p.start(pdfinfo, {pdf});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray info = p.readAllStandardOutput();
    EXPECT_TRUE(info.contains("Pages:           2")) << info.toStdString();
    EXPECT_TRUE(info.contains("Page size:       612 x 792 pts")) << info.toStdString();  // US Letter
}


// A FIFO, an endless device and a huge sparse file are refused at once,
// with the reason, by every command that reads a document or a picture.
TEST_F(DocToolTest, RefusesWhatIsNoRegularFileOrTooLargeWithoutReadingIt) {
    const QStringList hostiles = test::MakeHostileFiles(dir, QStringLiteral("zero.png"));
    ASSERT_EQ(hostiles.size(), 3);
    const QString out = dir.filePath("out");
    for (const QString& hostile : hostiles) {
        for (const QStringList& args : {QStringList{"dump", hostile}, QStringList{"thumbnail", hostile, out},
                                        QStringList{"resave", hostile, out}, QStringList{"new", out, "--picture", hostile}}) {
            SCOPED_TRACE((args.join(' ')).toStdString());
            const ToolRun run = Tool(args);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_FALSE(run.err.isEmpty());
        }
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(DocToolTest, NewWithAPictureKeepsTheFileBytesAndRefusesWhatDoesNotDecode) {
    // Quarters red, green above blue, white: the export shows them where
    // the file has them, neither upside down nor mirrored.
    QImage image(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            image.setPixel(x, y, y < 10 ? (x < 15 ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                        : (x < 15 ? qRgb(0, 0, 255) : qRgb(255, 255, 255)));
    auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
               std::abs(qBlue(a) - qBlue(b)) < 40;
    };
    for (const char* suffix : {"png", "jpg", "bmp"}) {
        SCOPED_TRACE(suffix);
        const QString picture = dir.filePath(QStringLiteral("p.") + QLatin1String(suffix));
        const QString out = dir.filePath(QStringLiteral("p_") + QLatin1String(suffix) + QStringLiteral(".kv2"));
        ASSERT_TRUE(image.save(picture));
        ASSERT_EQ(Tool({"new", out, "--picture", picture}).exitCode, 0);
        auto doc = test::NewDocument(env.services);
        std::string error;
        const QByteArray stored = ReadAll(out);
        ASSERT_TRUE(doc->LoadFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(stored.constData()),
                                                 static_cast<std::size_t>(stored.size())),
                                       "p.kv2", &error))
            << error;
        ASSERT_EQ(doc->m_objects.m_objects.size(), 1u);
        const auto* object = dynamic_cast<const CDrawPicture*>(doc->m_objects.m_objects.front());
        ASSERT_TRUE(object && object->m_pDib);
        EXPECT_EQ(object->m_nPictureType, CDrawPicture::RasterPicture);
        EXPECT_EQ(object->m_pDib->GetWidth(), 30);
        EXPECT_EQ(object->m_pDib->GetHeight(), 20);
        const QByteArray file = ReadAll(picture);
        const std::vector<std::uint8_t>& kept = object->m_pDib->GetEncodedBytes();
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(kept.data()), static_cast<qsizetype>(kept.size())), file);
        // A pixel is a 96th of an inch.
        Rect r = object->m_position.m_rect;
        r.NormalizeRect();
        EXPECT_EQ(r.right - r.left, MulDiv(30, 2540, 96));
        EXPECT_EQ(r.bottom - r.top, MulDiv(20, 2540, 96));

        const QString png = dir.filePath(QStringLiteral("e_") + QLatin1String(suffix) + QStringLiteral(".png"));
        ASSERT_EQ(Tool({"export", out, png, "--page", "0", "--format", "png", "--width", "60", "--height", "40"}).exitCode, 0);
        const QImage shown(png);
        ASSERT_GE(shown.width(), 40);
        ASSERT_GE(shown.height(), 30);
        const int w = shown.width(), h = shown.height();
        EXPECT_TRUE(near(shown.pixel(w / 6, h / 5), qRgb(255, 0, 0))) << std::hex << shown.pixel(w / 6, h / 5);
        EXPECT_TRUE(near(shown.pixel(w * 5 / 6, h / 5), qRgb(0, 255, 0))) << std::hex << shown.pixel(w * 5 / 6, h / 5);
        EXPECT_TRUE(near(shown.pixel(w / 6, h * 4 / 5), qRgb(0, 0, 255))) << std::hex << shown.pixel(w / 6, h * 4 / 5);
    }
    QFile fake(dir.filePath("fake.png"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a picture");
    fake.close();
    for (const QString& bad : {dir.filePath("fake.png"), dir.filePath("doc.kv2"), dir.filePath("missing.png")}) {
        const ToolRun r = Tool({"new", dir.filePath("bad.kv2"), "--picture", bad});
        EXPECT_EQ(r.exitCode, 1) << bad.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("bad.kv2")));
    }
}

}  // namespace
}  // namespace kavitro
