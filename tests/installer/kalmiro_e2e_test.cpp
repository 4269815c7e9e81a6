// Whole route packages run as programs: the packager builds a package
// around the real installer, the package unpacks itself (first phase) and
// its bare copy installs the route (second phase), all answered through the
// installer's test responder on the offscreen platform.

#include "tests/packager/packtesthelp.h"

#include "packager/formpackage.h"
#include "packager/packageformat.h"
#include "packager/packageroptions.h"

#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

using namespace packtest;

namespace {

const std::string InstallerProgram = std::string(VELKAST_PROGRAM_DIR) + "/kalmiro/kalmiro";

class TTestOptions : public TPackagerOptions {
public:
    std::string Bve;
    std::string BveFolder() const override { return Bve; }
    std::string GetObjectFolder() const override { return "lib"; }
};

class KalmiroRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Exists(InstallerProgram)) << InstallerProgram;
        fs::create_directories(Dir / "tmp");
        fs::create_directories(Dir / "reg");
        fs::create_directories(Dir / "run");
        fs::permissions(Dir / "run", fs::perms::owner_all);
    }

    // Runs a program with the test responder until it ends; its exit code.
    int RunProgram(const std::string& program, const std::string& responder)
    {
        WriteFile(Dir / "responder.ini", responder + "Log=" + Log() + "\r\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", QString::fromStdString(Dir / "tmp"));
        env.insert("VELKAST_REGISTRY_DIR", QString::fromStdString(Dir / "reg"));
        env.insert("KALMIRO_TEST_RESPONDER", QString::fromStdString(Dir / "responder.ini"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(Dir / "run"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QString::fromStdString(Dir / "out.txt"));
        p.setStandardErrorFile(QString::fromStdString(Dir / "err.txt"));
        p.setWorkingDirectory(QString::fromStdString(Dir.Path));
        p.start(QString::fromStdString(program), {});
        EXPECT_TRUE(p.waitForFinished(120000)) << program;
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // Waits until the programs have ended `count` times (each logs "Exit|").
    TStrings WaitForExits(int count)
    {
        TStrings lines;
        for (int i = 0; i < 600; ++i) {
            LoadLines(Log(), lines);
            int exits = 0;
            for (const std::string& line : lines)
                exits += line.rfind("Exit|", 0) == 0;
            if (exits >= count)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return lines;
    }

    static bool Has(const TStrings& lines, const std::string& text)
    {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    int UnpackFolders()
    {
        int n = 0;
        for (const auto& e : fs::directory_iterator(Dir / "tmp"))
            n += e.path().filename().string().rfind("kalmiro-", 0) == 0;
        return n;
    }

    std::string Log() { return Dir / "log.txt"; }

    // A package of the real installer around an archive of Stage.
    std::string PackageOf(const std::string& stage)
    {
        TZipArchiver za;
        za.BaseDir = stage;
        za.FileName = Dir / "files.zip";
        za.OpenArchiveWithMode(fmCreate);
        za.AddFiles("*.*", 47, "");
        za.CloseArchive();
        const std::string package = Dir / "VLinstaller-Hand";
        fs::copy_file(InstallerProgram, package);
        JoinPackageFiles(package, Dir / "files.zip", "0");
        JoinPackageFiles(package, "0", "VlIntExt");
        return package;
    }

    void StageDescriptionFiles(const std::string& stage, const std::string& filesDat)
    {
        WriteFile(stage + "/route.ini", "[Route]\r\nName=Hand\r\n");
        WriteFile(stage + "/description.dat", "d\r\n");
        WriteFile(stage + "/credits.dat", "c\r\n");
        WriteFile(stage + "/files.dat", filesDat);
    }

    ScratchDir Dir;
};

} // namespace

TEST_F(KalmiroRun, BuiltPackageInstallsTheRouteByteForByte)
{
    // A route of ours: objects in the editor's library, route files in the
    // BVE folder the editor exported to.
    const std::string root = Dir / "program/";
    fs::create_directories(root + "kalmiro");
    fs::copy_file(InstallerProgram, root + "kalmiro/kalmiro");
    fs::copy_file(std::string(VELKAST_PROGRAM_DIR) + "/kalmiro/noscreen.bmp", root + "kalmiro/noscreen.bmp");
    // Names are ANSI in the lists and UTF-8 on disk, at both ends.
    const TStrings objects{"e2e\\rail.b3d", "e2e\\textures\\ballast.bmp", "e2e\\poles\\pole.csv",
                           "e2e\\gr\xFCn\\Gen\xE8ve.b3d"};
    const TStrings routes{"e2e.csv", "e2e_credits.txt", "Bahnhof Z\xFCrich.csv"};
    WriteFile(root + "lib/e2e/rail.b3d", "[MeshBuilder]\r\nVertex 0,0,0\r\n");
    WriteFile(root + "lib/e2e/textures/ballast.bmp", SmallBitmap(16, 16, 120));
    WriteFile(root + "lib/e2e/poles/pole.csv", std::string("binary\0data\xff", 12));
    WriteFile(root + "lib/e2e/gr\xC3\xBCn/Gen\xC3\xA8ve.b3d", "Geneva object\r\n");
    TTestOptions options;
    options.Bve = Dir / "bvesource";
    WriteFile(options.Bve + "/railway/route/e2e/e2e.csv", "With Route\r\n.Gauge 1435\r\n");
    WriteFile(options.Bve + "/railway/route/e2e/e2e_credits.txt", "Thanks to everyone\r\n");
    WriteFile(options.Bve + "/railway/route/e2e/Bahnhof Z\xC3\xBCrich.csv", "With Route\r\n.Gauge 1000\r\n");
    WriteFile(Dir / "pics/logo.bmp", SmallBitmap(32, 24, 60));

    TFormPackage form;
    form.Options = &options;
    form.RouteDir = "e2e";
    form.ObjectFiles = objects;
    form.RouteFiles = routes;
    form.BuildPackage("E2E Route", Dir / "pics/logo.bmp", "Ann Author", "http://example.org/e2e",
                      "A route\r\nfor the test", root, "Credits line");
    const std::string package = root + "completed_packages/VLinstaller-E2E Route";
    ASSERT_TRUE(Exists(package));

    // The archive part stands on its own for other tools.
    const std::string pkg = ReadFile(package);
    const std::size_t installerSize = fs::file_size(InstallerProgram);
    EXPECT_EQ(pkg.substr(0, installerSize), ReadFile(InstallerProgram));
    const std::string trailer = PackageTrailer(installerSize);
    ASSERT_EQ(pkg.substr(pkg.size() - trailer.size()), trailer);
    WriteFile(Dir / "part.zip", pkg.substr(installerSize, pkg.size() - trailer.size() - installerSize));
    if (HaveTool("unzip")) {
        EXPECT_EQ(RunCommand("unzip -tq '" + Dir / "part.zip" + "' >/dev/null"), 0);
    }
    if (HaveTool("7z")) {
        EXPECT_EQ(RunCommand("7z t '" + Dir / "part.zip" + "' >/dev/null"), 0);
    }

    // BVE folder without bve.exe: asked once, at start (no registry value).
    const std::string bve = Dir / "bve";
    fs::create_directories(bve);
    EXPECT_EQ(RunProgram(package, "BveFolder=" + bve + "\r\nClick=Button1\r\n"), 0);
    const TStrings log = WaitForExits(2);
    EXPECT_TRUE(Has(log, "ModalWindow|Kalmiro_BveFolder|")) << JoinLines(log);
    EXPECT_TRUE(Has(log, "Route installed sucessfully")) << JoinLines(log);
    EXPECT_FALSE(Has(log, "Problems")) << JoinLines(log);
    EXPECT_TRUE(Has(log, "Exit|0|"));

    for (const std::string& f : objects) {
        const std::string native = NativeFileName(ToNativePath(f));
        ASSERT_TRUE(Exists(bve + "/railway/object/e2e/" + native)) << native;
        EXPECT_EQ(ReadFile(bve + "/railway/object/e2e/" + native), ReadFile(root + "lib/" + native)) << native;
    }
    for (const std::string& f : routes) {
        const std::string native = NativeFileName(f);
        ASSERT_TRUE(Exists(bve + "/railway/route/e2e/" + native)) << native;
        EXPECT_EQ(ReadFile(bve + "/railway/route/e2e/" + native),
                  ReadFile(options.Bve + "/railway/route/e2e/" + native))
            << native;
    }
    // Nothing but the route arrived, and nothing stays behind in the
    // temporary folder.
    int installed = 0;
    for (const auto& e : fs::recursive_directory_iterator(bve))
        installed += e.is_regular_file();
    EXPECT_EQ(installed, 7);
    EXPECT_EQ(UnpackFolders(), 0);
    EXPECT_TRUE(fs::is_empty(Dir / "tmp"));
    // The folder is kept for the next package and for the editor.
    EXPECT_EQ(IniReadString(Dir / "reg/machine.ini", "Software\\Velkast", "Bve Folder", ""), bve);
}

TEST_F(KalmiroRun, HostileFileListInstallsNothing)
{
    const std::string stage = Dir / "stage";
    StageDescriptionFiles(stage, "\\railway\\route\\r\\ok.csv\r\n\\..\\..\\escape.txt\r\n");
    WriteFile(stage + "/railway/route/r/ok.csv", "ok");
    const std::string package = PackageOf(stage);
    const std::string bve = Dir / "tmp/bve/inner";
    fs::create_directories(bve);
    WriteFile(bve + "/bve.exe", "");
    IniWriteString(Dir / "reg/machine.ini", "Software\\Velkast", "Bve Folder", bve);
    EXPECT_EQ(RunProgram(package, "Click=Button1\r\n"), 0);
    const TStrings log = WaitForExits(2);
    EXPECT_TRUE(Has(log, "Problems during the installation of the route. The program won`t continue."))
        << JoinLines(log);
    EXPECT_FALSE(Has(log, "Route installed sucessfully"));
    EXPECT_FALSE(Has(log, "ModalWindow|Kalmiro_BveFolder|")) << JoinLines(log);
    EXPECT_FALSE(Exists(bve + "/railway/route/r/ok.csv"));
    EXPECT_FALSE(Exists(Dir / "tmp/escape.txt"));
    EXPECT_FALSE(Exists(Dir / "escape.txt"));
    EXPECT_EQ(UnpackFolders(), 0);
}

TEST_F(KalmiroRun, HostileArchiveNamesStopTheUnpacking)
{
    if (!HaveTool("python3"))
        GTEST_SKIP() << "python3 is needed to write the hostile archive";
    const std::string zip = Dir / "files.zip";
    ASSERT_EQ(RunCommand("python3 -c \"import zipfile; z = zipfile.ZipFile('" + zip +
                         "', 'w'); z.writestr('route.ini', '[Route]'); z.writestr('../../evil.txt', 'x'); "
                         "z.close()\""),
              0);
    const std::string package = Dir / "VLinstaller-Evil";
    fs::copy_file(InstallerProgram, package);
    JoinPackageFiles(package, zip, "0");
    JoinPackageFiles(package, "0", "VlIntExt");
    EXPECT_EQ(RunProgram(package, ""), 1);
    const TStrings log = WaitForExits(1);
    EXPECT_TRUE(Has(log, "Problems during the extraction of some temporary needed files. The program won`t "
                         "continue. Error message: "))
        << JoinLines(log);
    EXPECT_FALSE(Exists(Dir / "evil.txt"));
    EXPECT_FALSE(Exists(Dir / "tmp/evil.txt"));
    EXPECT_EQ(UnpackFolders(), 0);
}

TEST_F(KalmiroRun, DamagedItemIsNamed)
{
    const std::string stage = Dir / "stage";
    StageDescriptionFiles(stage, "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(stage + "/railway/route/r/r.csv", "route data that a bad disk changes");
    std::string package = ReadFile(PackageOf(stage));
    // The check sum in the archive's directory no longer fits the data.
    const std::size_t name = package.rfind("railway/route/r/r.csv");
    ASSERT_NE(name, std::string::npos);
    package[name - 46 + 16] = char(package[name - 46 + 16] ^ 0x01);
    WriteFile(Dir / "VLinstaller-Bad", package);
    fs::permissions(Dir / "VLinstaller-Bad", fs::perms::owner_all);
    EXPECT_EQ(RunProgram(Dir / "VLinstaller-Bad", ""), 1);
    const TStrings log = WaitForExits(1);
    EXPECT_TRUE(Has(log, "Item \"railway\\route\\r\\r.csv\": ")) << JoinLines(log);
    EXPECT_EQ(UnpackFolders(), 0);
}

TEST_F(KalmiroRun, DamagedPackageBesideRouteFilesChangesNothing)
{
    // A route unpacked by hand into a folder, and beside it the package cut
    // short, the package with bytes appended, and the bare installer.
    const std::string stage = Dir / "stage";
    StageDescriptionFiles(stage, "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(stage + "/railway/route/r/r.csv", "route");
    const std::string package = ReadFile(PackageOf(stage));
    const std::string folder = Dir / "route";
    fs::copy(stage, folder, fs::copy_options::recursive);
    WriteFile(folder + "/padded", package + std::string(100, 'x'));
    WriteFile(folder + "/cut", package.substr(0, package.size() - 1000));
    WriteFile(folder + "/small-pad", package + "12345");
    fs::copy_file(InstallerProgram, folder + "/bare");
    const std::string bve = Dir / "bve";
    fs::create_directories(bve);
    IniWriteString(Dir / "reg/machine.ini", "Software\\Velkast", "Bve Folder", bve);

    auto snapshot = [&] {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& e : fs::recursive_directory_iterator(folder))
            files.emplace_back(e.path().string(), e.is_regular_file() ? ReadFile(e.path()) : "");
        std::sort(files.begin(), files.end());
        return files;
    };
    const auto before = snapshot();
    for (const std::string name : {"padded", "cut", "small-pad", "bare"}) {
        fs::remove(Log());
        fs::permissions(folder + "/" + name, fs::perms::owner_all);
        EXPECT_EQ(RunProgram(folder + "/" + name, "Click=Button1\r\n"), 1) << name;
        const TStrings log = WaitForExits(1);
        EXPECT_TRUE(Has(log, "is not a route package, or the package is damaged.")) << name << JoinLines(log);
        EXPECT_FALSE(Has(log, "sucessfully")) << name;
    }
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(fs::is_empty(bve));
    EXPECT_TRUE(fs::is_empty(Dir / "tmp"));
}

TEST_F(KalmiroRun, UnpackFoldersNeverStayBehind)
{
    // The folder of a run that was killed: its owner process is gone.
    QProcess gone;
    gone.start("sh", {"-c", "echo $$"});
    ASSERT_TRUE(gone.waitForFinished());
    const std::string gonePid = gone.readAllStandardOutput().trimmed().toStdString();
    const std::string stale = Dir / "tmp/kalmiro-killed";
    WriteFile(stale + "/railway/big.bin", std::string(1000, 'x'));
    WriteFile(stale + "/.kalmiro-owner", gonePid + "\n");
    fs::permissions(stale, fs::perms::owner_all);

    const std::string stage = Dir / "stage";
    StageDescriptionFiles(stage, "\\railway\\route\\r\\r.csv\r\n");
    WriteFile(stage + "/railway/route/r/r.csv", "route");
    const std::string package = PackageOf(stage);
    IniWriteString(Dir / "reg/machine.ini", "Software\\Velkast", "Bve Folder", Dir / "bve");
    // No click: the main window waits, then the session ends it.
    EXPECT_EQ(RunProgram(package, ""), 0);
    EXPECT_FALSE(Exists(stale));
    long pid = 0;
    for (int i = 0; i < 100 && pid == 0; ++i) {
        for (const auto& e : fs::directory_iterator(Dir / "tmp")) {
            std::ifstream owner(e.path() / ".kalmiro-owner");
            long p = 0;
            if (owner >> p && ::kill(pid_t(p), 0) == 0)
                pid = p;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_NE(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(pid_t(pid), SIGTERM);
    const TStrings log = WaitForExits(2);
    EXPECT_TRUE(Has(log, "Exit|1|")) << JoinLines(log);
    EXPECT_FALSE(Has(log, "sucessfully"));
    EXPECT_EQ(UnpackFolders(), 0);
    EXPECT_FALSE(Exists(Dir / "bve/railway"));
}
