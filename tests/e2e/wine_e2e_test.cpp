// A Windows launcher under Wine (x64, or 32-bit in the i386 guest), against the recording test runtime:
// the same flows as on Linux as far as that runtime plays them, the text of
// every failure's message box, and the splash close-timer requests, all
// observed from outside the launcher through Wine's relay trace.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const std::string kRuntime = e2e::WindowsTestRuntime("jvm/jvm.dll");
const std::string kNoExport = e2e::WindowsTestRuntime("noexport/jvm.dll");

// A 24-bit bottom-up BMP of one colour.
std::string SolidBitmap(int width, int height) {
  int stride = (width * 3 + 3) & ~3;
  int size = 54 + stride * height;
  std::string bmp(static_cast<size_t>(size), '\0');
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  put32(26, 1 | (24 << 16));
  put32(34, stride * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      char* p = &bmp[54 + y * stride + x * 3];
      p[0] = 0x40, p[1] = static_cast<char>(0x80), p[2] = static_cast<char>(0xC0);
    }
  }
  return bmp;
}

// The X display as xwd dumps it; Pixel gives 0xRRGGBB, or ~0 outside.
class Screenshot {
 public:
  Screenshot()
      : dump_(RunProcess(e2e::OnWineDisplay({"/usr/bin/xwd", "-root", "-silent"})).out) {}
  uint32_t Pixel(int x, int y) const {
    if (dump_.size() < 100) return ~0u;
    uint32_t bytes = Field(11) / 8;  // 24 or 32 bits a pixel
    if (bytes != 3 && bytes != 4) return ~0u;
    if (x < 0 || y < 0 || uint32_t(x) >= Field(4) || uint32_t(y) >= Field(5)) return ~0u;
    size_t at = Field(0) + 12 * Field(19) + y * Field(12) + x * bytes;
    if (at + bytes > dump_.size()) return ~0u;
    uint32_t v = 0;
    for (uint32_t i = 0; i < bytes; ++i) {  // byte order 0: least significant first
      uint32_t shift = Field(7) == 0 ? 8 * i : 8 * (bytes - 1 - i);
      v |= uint32_t(static_cast<unsigned char>(dump_[at + i])) << shift;
    }
    return v & 0xFFFFFF;
  }
  int width() const { return dump_.size() < 100 ? 0 : int(Field(4)); }
  int height() const { return dump_.size() < 100 ? 0 : int(Field(5)); }

 private:
  uint32_t Field(int i) const {  // header fields are big-endian
    const unsigned char* p = reinterpret_cast<const unsigned char*>(dump_.data()) + 4 * i;
    return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
  }
  std::string dump_;
};

class WineLaunch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  std::string PackApp(PackRequest request, bool splash = true) {
    request.target = e2e::WindowsTarget();
    std::string path = dir_.Join("app.exe");
    if (splash) {
      request.splash = dir_.Join("splash.bmp");
      WriteFile(request.splash, SolidBitmap(120, 80));
    }
    Pack(request, path);
    return path;
  }

  WineRun Run(const std::string& exe, const std::vector<std::string>& args = {},
              const std::vector<std::pair<std::string, std::string>>& env = {},
              std::function<void()> whileRunning = nullptr) {
    ProcessOptions options;
    options.setEnv = env;
    options.timeoutSeconds = 120;
    options.whileRunning = whileRunning;
    return e2e::RunWine(exe, args, dir_.Join("runtime.log"), options);
  }

  static PackRequest App(std::vector<std::string> lines) {
    PackRequest request;
    request.mainClass = "e2e.Main";
    request.lines = {"jvmdll " + WindowsPath(kRuntime)};
    request.lines.insert(request.lines.end(), lines.begin(), lines.end());
    return request;
  }

  static void ExpectCleanExit(const WineRun& run, int status = 0) {
    const std::string& err = run.process.err;
    EXPECT_FALSE(run.process.timedOut)
        << err.substr(err.size() > 4000 ? err.size() - 4000 : 0);
    EXPECT_EQ(status, run.process.status);
    EXPECT_EQ(std::string::npos, run.log.find("UNEXPECTED")) << run.log;
  }

  ScopedTempDir dir_;
};

TEST_F(WineLaunch, RunsMainWithOptionsInOrderAndArmsTheSplashTimer) {
  std::string exe = PackApp(App({"option -Xmx64m", "property a=%ZOV_E2E%",
                                 "minjre 1.5"}));
  WineRun run = Run(exe, {"one", "two words", ""}, {{"ZOV_E2E", "x"}});
  ExpectCleanExit(run);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ((std::vector<int>{5000, 750}), run.timers);
  // The runtime's log writes each backslash twice.
  std::string app = std::regex_replace(WindowsPath(exe), std::regex(R"(\\)"), R"(\\)");
  std::string home = app.substr(0, app.rfind('\\') + 1);
  EXPECT_EQ((std::vector<std::string>{
                "[0]=-Xmx64m", "[1]=-Da=x", "[2]=-Djava.class.path=" + app,
                "[3]=-Dzov.app.path=" + app, "[4]=-Dapplication.home=" + home,
                "[5]=-Dsun.java.command=e2e.Main one two words "}),
            LinesStartingWith(run.log, "option"));
  EXPECT_EQ((std::vector<std::string>{"[0]=one", "[1]=two words", "[2]="}),
            LinesStartingWith(run.log, "main.arg"));
  EXPECT_NE(std::string::npos, run.log.find("FindClass e2e/Main\n"));
  // Shut down in order, after main.
  size_t main = run.log.find("CallStaticVoidMethodV");
  size_t detach = run.log.find("DetachCurrentThread");
  size_t destroy = run.log.find("DestroyJavaVM");
  EXPECT_LT(main, detach);
  EXPECT_LT(detach, destroy);
  EXPECT_NE(std::string::npos, destroy);
}

TEST_F(WineLaunch, ShowsOneWarningBoxPerFailure) {
  struct Case {
    std::vector<std::string> lines;
    std::string text;
    std::vector<int> timers;
    int status;
  };
  std::string missing = WindowsPath(dir_.Join("nowhere/jvm.dll"));
  const Case cases[] = {
      {{"jvmdll " + missing}, "Java Runtime Environment not found.", {200}, 1},
      {{"jvmdll " + WindowsPath(kNoExport)}, "Java Runtime Environment not valid.", {200}, 2},
      {{"option -Dtestruntime.scenario=create-fails"},
       "Java Virtual Machine starts failed.", {200}, 4},
      {{"minjre 1.5", "option -Dtestruntime.scenario=no-system"},
       "Can not get the virtual machine version.", {200}, 5},
      {{"minjre 1.5", "option -Dtestruntime.scenario=version=1.4.2_19"},
       "Java virtual machine version 1.4 is too low, require 1.5 or higher.", {200}, 6},
      {{"maxjre 11", "option -Dtestruntime.scenario=version=21.0.1"},
       "Java virtual machine version 21.0 is too high, require 11.0 or lower.", {200}, 11},
      {{"option -Dtestruntime.scenario=no-main-class"},
       "The main startup class could not be found.", {5000, 750, 200}, 7},
      {{"option -Dtestruntime.scenario=no-main-method"},
       "The main startup class is not valid, main method missing.", {5000, 750, 200}, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PackRequest request = App({});
    // The first jvmdll line wins: put the case's own first.
    request.lines.insert(request.lines.begin(), c.lines.begin(), c.lines.end());
    WineRun run = Run(PackApp(request));
    ExpectCleanExit(run, c.status);  // a script sees which failure it was
    EXPECT_EQ(std::vector<std::string>{c.text + "|Error|00000030"}, run.boxes);
    EXPECT_EQ(c.timers, run.timers);
  }
}

// The gate reads java.version: java.vm.version is HotSpot's own number on
// Java 8 (25.x) and "openj9-..." on OpenJ9.
TEST_F(WineLaunch, GatesOnTheJavaVersionWhateverTheVmCallsItself) {
  struct Case {
    std::string scenario;
    std::string minimum;
    std::string box;  // empty: main runs
  };
  const Case cases[] = {
      {"version=1.8.0_361,vm-version=25.361-b09", "11.0",
       "Java virtual machine version 1.8 is too low, require 11.0 or higher."},
      {"version=1.8.0_361,vm-version=25.361-b09", "1.8", ""},
      {"version=17.0.9,vm-version=openj9-0.41.0", "17.0", ""},
      {"version=21-ea", "21", ""},
      {"version=21-ea", "21.1",
       "Java virtual machine version 21.0 is too low, require 21.1 or higher."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario + " " + c.minimum);
    WineRun run = Run(PackApp(App({"minjre " + c.minimum,
                                   "option -Dtestruntime.scenario=" + c.scenario}),
                              false));
    ExpectCleanExit(run, c.box.empty() ? 0 : 6);
    if (c.box.empty()) {
      EXPECT_TRUE(run.boxes.empty());
    } else {
      EXPECT_EQ(std::vector<std::string>{c.box + "|Error|00000030"}, run.boxes);
    }
  }
}

TEST_F(WineLaunch, ShowsThePackedSplashCentredWhileMainRunsAndCarriesTheIcon) {
  // A 120 x 80 bitmap of 0xC08040, centred on the display.
  PackRequest request = App({"option -Dtestruntime.scenario=main-sleeps=4000"});
  request.icon = ZOV_SOURCE_DIR "/resources/zov.ico";
  std::string exe = PackApp(request);
  ProcessResult shown = RunProcess({ZOVPACK, "--show", exe});
  EXPECT_NE(std::string::npos, shown.out.find("icon:        2 images")) << shown.out;
  EXPECT_EQ(std::string::npos, shown.out.find("splash:      none")) << shown.out;
  std::vector<uint32_t> seen;
  // Once main runs (it sleeps 4 s), the splash is up however slow the start.
  WineRun run = Run(exe, {}, {}, [&] {
    if (seen.empty() &&
        ReadFile(dir_.Join("runtime.log")).find("CallStaticVoidMethodV") != std::string::npos) {
      Screenshot screen;
      int left = (screen.width() - 120) / 2, top = (screen.height() - 80) / 2;
      seen = {screen.Pixel(left, top), screen.Pixel(left + 60, top + 40),
              screen.Pixel(left + 119, top + 79), screen.Pixel(left - 1, top),
              screen.Pixel(left + 120, top + 79)};
    }
  });
  ExpectCleanExit(run);
  ASSERT_EQ(5u, seen.size());
  EXPECT_EQ(0xC08040u, seen[0]);
  EXPECT_EQ(0xC08040u, seen[1]);
  EXPECT_EQ(0xC08040u, seen[2]);
  EXPECT_NE(0xC08040u, seen[3]);  // just outside: not the splash
  EXPECT_NE(0xC08040u, seen[4]);
  EXPECT_EQ((std::vector<int>{5000, 750}), run.timers);
}

TEST_F(WineLaunch, ShowsAPngOfTheManifestOverWhiteAndAJpegAsTheyAreDrawn) {
  // A 120 x 80 PNG, its left half 0x2060A0 and its right half clear, named
  // by the jar's manifest; a 120 x 80 JPEG of 0xC08040 given as --splash.
  std::string d = dir_.path();
  ASSERT_EQ(0, RunProcess({"/bin/sh", "-c",
      "cd '" + d + "' && mkdir -p META-INF images && cp '" ZOV_E2E_JAR "' app.jar && "
      "printf 'Manifest-Version: 1.0\\r\\nSplashScreen-Image: images/s.png\\r\\n\\r\\n'"
      " > META-INF/MANIFEST.MF && "
      "convert -size 120x80 xc:none -fill '#2060A0' -draw 'rectangle 0,0 59,79' "
      "images/s.png && convert -size 120x80 xc:'#C08040' -quality 90 s.jpg && "
      "zip -q app.jar META-INF/MANIFEST.MF images/s.png"}).status);
  PackRequest png = App({"option -Dtestruntime.scenario=main-sleeps=4000"});
  png.jar = dir_.Join("app.jar");
  PackRequest jpeg = png;
  jpeg.splash = dir_.Join("s.jpg");
  for (const PackRequest& request : {png, jpeg}) {
    std::string exe = PackApp(request, false);
    SCOPED_TRACE(request.splash.empty() ? "png" : "jpeg");
    EXPECT_NE(std::string::npos,
              RunProcess({ZOVPACK, "--show", exe}).out.find("120 x 80, 24-bit"));
    std::vector<uint32_t> seen;
    std::filesystem::remove(dir_.Join("runtime.log"));  // the last run's
    WineRun run = Run(exe, {}, {}, [&] {
      if (seen.empty() && ReadFile(dir_.Join("runtime.log")).find(
                              "CallStaticVoidMethodV") != std::string::npos) {
        Screenshot screen;
        int left = (screen.width() - 120) / 2, top = (screen.height() - 80) / 2;
        seen = {screen.Pixel(left, top), screen.Pixel(left + 59, top + 79),
                screen.Pixel(left + 60, top), screen.Pixel(left + 119, top + 79),
                screen.Pixel(left + 120, top + 79)};
      }
    });
    ExpectCleanExit(run);
    ASSERT_EQ(5u, seen.size());
    if (request.splash.empty()) {
      EXPECT_EQ((std::vector<uint32_t>{0x2060A0, 0x2060A0, 0xFFFFFF, 0xFFFFFF}),
                std::vector<uint32_t>(seen.begin(), seen.begin() + 4));
      EXPECT_NE(0xFFFFFFu, seen[4]);  // just outside: not the splash
    } else {
      for (int i = 0; i < 4; ++i) {  // JPEG is lossy: close, not exact
        EXPECT_NEAR(0xC0, int(seen[i] >> 16), 4) << i;
        EXPECT_NEAR(0x80, int(seen[i] >> 8 & 0xFF), 4) << i;
        EXPECT_NEAR(0x40, int(seen[i] & 0xFF), 4) << i;
      }
      EXPECT_NE(0xC08040u, seen[4]);
    }
  }
}

TEST_F(WineLaunch, AnExceptionOutOfMainShowsNoBoxAndExitsWithOne) {
  WineRun run = Run(PackApp(App({"option -Dtestruntime.scenario=main-throws"}),
                            false));
  ExpectCleanExit(run, 1);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_TRUE(run.timers.empty());  // no splash, no timer requests
  EXPECT_NE(std::string::npos, run.log.find("ExceptionDescribe"));
  EXPECT_NE(std::string::npos, run.log.find("DestroyJavaVM"));
}

TEST_F(WineLaunch, RunsTheConsoleLauncherLikeTheWindowedOne) {
  std::string stub = e2e::WindowsStub("zovc");
  if (access(stub.c_str(), F_OK) != 0) GTEST_SKIP() << "no " << stub;
  PackRequest request = App({});
  request.stub = stub;
  WineRun run = Run(PackApp(request, false), {"one", "two words", "caf\xC3\xA9"});
  ExpectCleanExit(run);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ((std::vector<std::string>{"[0]=one", "[1]=two words", "[2]=caf\xC3\xA9"}),
            LinesStartingWith(run.log, "main.arg"));
  EXPECT_NE(std::string::npos, run.log.find("DestroyJavaVM"));
}

TEST_F(WineLaunch, FindsTheRuntimeThroughJavaHome) {
  // A home laid out like a Windows runtime: bin\server\jvm.dll.
  std::string home = dir_.Join("jre/");
  testing_support::MakeDirectory(home + "bin/server");
  WriteFile(home + "bin/server/jvm.dll", ReadFile(kRuntime));
  PackRequest request;
  request.mainClass = "e2e.Main";
  request.lines = {"jre_order e"};
  WineRun run = Run(PackApp(request, false), {},
                    {{"JAVA_HOME", WindowsPath(home)}});
  ExpectCleanExit(run);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_NE(std::string::npos, run.log.find("CallStaticVoidMethodV"));
}

// Where machines keep their runtimes today, each found with no
// configuration line; a library of the other width is passed over.
TEST_F(WineLaunch, FindsARuntimeBesideTheAppInTheRegistryAndInstalled) {
  auto install = [](const std::string& home, const std::string& library) {
    testing_support::MakeDirectory(home + "/bin/server");
    WriteFile(home + "/bin/server/jvm.dll", ReadFile(library));
  };
  auto reg = [](std::vector<std::string> args) {
    args.insert(args.begin(), {e2e::kWine, "reg"});
    args.push_back("/f");
    EXPECT_EQ(0, RunProcess(args).status);
  };
  PackRequest request;
  request.mainClass = "e2e.Main";
  std::string exe = PackApp(request, false);
  {
    SCOPED_TRACE("beside the executable");
    install(dir_.Join("jre"), e2e::OtherWidthTestRuntime());
    install(dir_.Join("runtime"), kRuntime);
    WineRun run = Run(exe);
    ExpectCleanExit(run);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_NE(std::string::npos, run.log.find("CallStaticVoidMethodV"));
    std::filesystem::remove_all(dir_.Join("jre"));
    std::filesystem::remove_all(dir_.Join("runtime"));
  }
  {
    SCOPED_TRACE("JavaSoft\\JDK, its home only");
    std::string home = dir_.Join("jdk");
    install(home, kRuntime);
    // Left as found: other tests skip where a JavaSoft key exists.
    const std::string javaSoft = "HKLM\\SOFTWARE\\JavaSoft";
    bool existed = RunProcess({e2e::kWine, "reg", "query", javaSoft}).status == 0;
    const std::string key = javaSoft + "\\JDK";
    reg({"add", key, "/v", "CurrentVersion", "/d", "17"});
    reg({"add", key + "\\17", "/v", "JavaHome", "/d", WindowsPath(home)});
    WineRun run = Run(exe);
    reg({"delete", existed ? key : javaSoft});
    ExpectCleanExit(run);
    EXPECT_TRUE(run.boxes.empty());
    std::filesystem::remove_all(home);
  }
  {
    SCOPED_TRACE("a vendor's install folder, the highest version first");
    // Copied by Wine: the guest's prefix is not visible from here, and
    // Wine sets %ProgramFiles% itself.
    std::string vendor = dir_.Join("Zulu");
    install(vendor + "/zulu-11", kNoExport);
    install(vendor + "/zulu-17", kRuntime);
    install(vendor + "/zulu-9", kNoExport);
    const std::string installed = "C:\\Program Files\\Zulu";
    ASSERT_EQ(0, RunProcess({e2e::kWine, "xcopy", "/e", "/i", "/q",
                             WindowsPath(vendor), installed}).status);
    WineRun run = Run(exe);
    RunProcess({e2e::kWine, "cmd", "/c", "rmdir", "/s", "/q", installed});
    ExpectCleanExit(run);
    EXPECT_TRUE(run.boxes.empty());
  }
  WineRun none = Run(exe);
  ExpectCleanExit(none, 1);
  EXPECT_EQ(std::vector<std::string>{"Java Runtime Environment not found.|Error|00000030"},
            none.boxes);
}

}  // namespace
}  // namespace e2e
