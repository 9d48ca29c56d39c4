// Every factory template of "New File", chosen in a real tarsel-finder process, makes a document
// its own type's readers take: the office types used to come out as 0-byte files for Word and
// PowerPoint, which `file` calls empty and no office suite opens.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"

#include "HostRun.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

struct BlankCase
{
    const char* name; // the template's extension, also its key in the factory list
    const char* fileSays; // what `file -b` says of the new file
    const char* reader; // how the reader below opens it: "zip", "json" or "" (`file` says enough)
    const char* mainPart; // a package's main part
};

const BlankCase kCases[] = {
    { "txt", "empty", "", "" },
    { "rtf", "Rich Text Format data", "", "" },
    { "json", "JSON", "json", "" },
    { "docx", "Microsoft Word 2007+", "zip", "word/document.xml" },
    { "xlsx", "Microsoft Excel 2007+", "zip", "xl/workbook.xml" },
    { "pptx", "Microsoft PowerPoint 2007+", "zip", "ppt/presentation.xml" },
    { "pages", "Microsoft Word 2007+", "zip", "word/document.xml" },
    { "numbers", "Microsoft Excel 2007+", "zip", "xl/workbook.xml" },
    { "key", "Microsoft PowerPoint 2007+", "zip", "ppt/presentation.xml" },
    { "md", "empty", "", "" },
    { "wps", "Microsoft Word 2007+", "zip", "word/document.xml" },
    { "et", "Microsoft Excel 2007+", "zip", "xl/workbook.xml" },
    { "dps", "Microsoft PowerPoint 2007+", "zip", "ppt/presentation.xml" },
    { "html", "HTML document", "", "" },
    // The declaration alone, as an editor starts a new XML file: the root element is the user's.
    { "xml", "XML 1.0 document", "", "" },
    { "css", "empty", "", "" },
    { "js", "empty", "", "" },
    { "py", "empty", "", "" },
    { "sh", "empty", "", "" },
};

void PrintTo(const BlankCase& c, std::ostream* os)
{
    *os << c.name;
}

// A package is read as an office suite reads it: every part is a well-formed XML document, the
// main part is declared in "[Content_Types].xml", and every relationship points at a part there.
const char* const kReader = R"(
import json, posixpath, sys, zipfile, xml.etree.ElementTree as ET
path, kind, main = sys.argv[1:4]
if kind == "zip":
    z = zipfile.ZipFile(path)
    assert z.testzip() is None
    names = z.namelist()
    assert main in names, "no main part " + main
    for n in names:
        ET.fromstring(z.read(n))
    types = ET.fromstring(z.read("[Content_Types].xml"))
    assert any(t.get("PartName") == "/" + main for t in types), "main part has no content type"
    for n in names:
        if n.endswith(".rels"):
            base = posixpath.dirname(posixpath.dirname(n))
            for r in ET.fromstring(z.read(n)):
                target = posixpath.normpath(posixpath.join(base, r.get("Target")))
                assert target in names, n + " points at the missing " + target
elif kind == "json":
    json.load(open(path))
)";

ProgramRun runTool(const QString& program, const QStringList& args)
{
    return runProgram(program, args, { .timeoutMs = 30000, .mergeOutput = true });
}

class FinderHostBlankDocumentTest : public testing::TestWithParam<BlankCase>
{
};

TEST_P(FinderHostBlankDocumentTest, AFactoryTemplateMakesAValidDocumentOfItsType)
{
    const BlankCase& c = GetParam();
    const QString ext = QString::fromLatin1(c.name);
    ASSERT_TRUE(QVDefaultData::setup());
    // The factory list turns its last eight templates off: all of them are on here.
    QVariantList templates = QVMenuManager::storedList(QVMenuManager::kArrayNewFile);
    for (QVariant& t : templates) {
        QVariantMap map = t.toMap();
        map.insert(QStringLiteral("disabled"), false);
        t = map;
    }
    storeList(QVMenuManager::kArrayNewFile, templates);

    const QString folder = testHome() + QStringLiteral("/Documents");
    ASSERT_TRUE(QDir().mkpath(folder));
    const int tag
        = childTagOfKeyInMenu(menuJson({ QStringLiteral("--target"), folder }), QStringLiteral("New File"), ext);
    ASSERT_GT(tag, 0);
    const HostRun run = runHost({ QStringLiteral("pick"), QString::number(tag), QStringLiteral("--target"), folder });
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QString made = folder + QStringLiteral("/Untitled.") + ext;
    ASSERT_TRUE(QFileInfo(made).isFile()) << QDir(folder).entryList().join(QLatin1Char(' ')).toStdString();

    const ProgramRun type = runTool(QStringLiteral("file"), { QStringLiteral("-b"), made });
    EXPECT_TRUE(type.out.startsWith(c.fileSays)) << type.out.constData();
    if (QLatin1String(c.reader) == QLatin1String("zip")) {
        const ProgramRun test = runTool(QStringLiteral("unzip"), { QStringLiteral("-t"), made });
        EXPECT_EQ(test.exitCode, 0) << test.out.constData();
        EXPECT_TRUE(test.out.contains("No errors detected")) << test.out.constData();
    }
    if (*c.reader != '\0') {
        const ProgramRun read = runTool(QStringLiteral("python3"),
                                        { QStringLiteral("-c"), QString::fromLatin1(kReader), made,
                                          QString::fromLatin1(c.reader), QString::fromLatin1(c.mainPart) });
        EXPECT_EQ(read.exitCode, 0) << read.out.constData();
    }
}

INSTANTIATE_TEST_SUITE_P(FactoryTemplates, FinderHostBlankDocumentTest, testing::ValuesIn(kCases), caseName<BlankCase>);

} // namespace
