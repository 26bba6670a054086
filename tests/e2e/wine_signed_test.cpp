// A packed Windows file signed afterwards, as a publisher does it: with
// osslsigncode and a three-certificate chain made here with openssl. The
// signature must verify, the launcher must still find its configuration
// under Wine, and Java must still read the file as a JAR.
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

class WineSigned : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  // The program's path on PATH, or "".
  static std::string Which(const std::string& name) {
    std::string out =
        RunProcess({"/bin/sh", "-c", "command -v " + name}).out;
    return out.empty() ? out : out.substr(0, out.find('\n'));
  }

  // Runs argv in the test's directory; fails the test unless it succeeds.
  ProcessResult Run(const std::vector<std::string>& argv) {
    ProcessOptions options;
    options.workingDirectory = dir_.path();
    ProcessResult result = RunProcess(argv, options);
    EXPECT_EQ(0, result.status) << argv[0] << " " << argv[1] << "\n"
                                << result.out << result.err;
    return result;
  }

  // Root, intermediate and code-signing leaf: chain.pem and leaf.key.
  void MakeChain() {
    WriteFile(dir_.Join("ca.ext"),
              "basicConstraints=critical,CA:TRUE\n"
              "keyUsage=critical,keyCertSign,cRLSign\n");
    WriteFile(dir_.Join("leaf.ext"),
              "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
              "extendedKeyUsage=codeSigning\n");
    Run({openssl_, "req", "-x509", "-newkey", "rsa:3072", "-nodes", "-keyout",
         "root.key", "-out", "root.pem", "-days", "2", "-subj",
         "/CN=zov test root", "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign,cRLSign"});
    for (const char* name : {"inter", "leaf"}) {
      std::string issuer = std::string(name) == "inter" ? "root" : "inter";
      std::string ext = std::string(name) == "inter" ? "ca.ext" : "leaf.ext";
      Run({openssl_, "req", "-newkey", "rsa:3072", "-nodes", "-keyout",
           std::string(name) + ".key", "-out", std::string(name) + ".csr",
           "-subj", "/CN=zov test " + std::string(name)});
      Run({openssl_, "x509", "-req", "-in", std::string(name) + ".csr", "-CA",
           issuer + ".pem", "-CAkey", issuer + ".key", "-CAcreateserial",
           "-out", std::string(name) + ".pem", "-days", "2", "-extfile", ext});
    }
    WriteFile(dir_.Join("chain.pem"), ReadFile(dir_.Join("leaf.pem")) +
                                          ReadFile(dir_.Join("inter.pem")) +
                                          ReadFile(dir_.Join("root.pem")));
  }

  ScopedTempDir dir_;
  std::string openssl_;
};

TEST_F(WineSigned, ASignedFileVerifiesStartsWithItsConfigurationAndIsAJar) {
  openssl_ = Which("openssl");
  std::string sign = Which("osslsigncode");
  if (openssl_.empty() || sign.empty()) {
    GTEST_SKIP() << "openssl and osslsigncode are needed (scripts/setup.sh)";
  }
  MakeChain();
  PackRequest request;
  request.target = e2e::WindowsTarget();
  request.mainClass = "e2e.Main";
  request.lines = {
      "jvmdll " + WindowsPath(e2e::WindowsTestRuntime("jvm/jvm.dll")),
      "option -Xmx64m", "property e2e.property=signed"};
  std::string packed = dir_.Join("app.exe");
  std::string exe = dir_.Join("signed.exe");
  e2e::Pack(request, packed);
  Run({sign, "sign", "-certs", "chain.pem", "-key", "leaf.key", "-h",
       "sha256", "-n", "zov test", "-in", "app.exe", "-out", "signed.exe"});
  // Longer than the whole search window: without the certificate table
  // being set aside, the end record would be out of reach.
  ASSERT_GT(ReadFile(exe).size(), ReadFile(packed).size() + 2070);
  Run({sign, "verify", "-CAfile", "root.pem", "-in", "signed.exe"});

  ProcessResult show = Run({ZOVPACK, "--show", exe});
  EXPECT_NE(std::string::npos, show.out.find("the configuration is still found"))
      << show.out;
  EXPECT_NE(std::string::npos, show.out.find("main class:  e2e.Main")) << show.out;

  ProcessResult java = Run({std::string(ZOV_JDK_HOME) + "/bin/java", "-cp",
                            exe, "-De2e.property=java", "e2e.Main"});
  EXPECT_NE(std::string::npos, java.out.find("PROP e2e.property=java"))
      << java.out << java.err;

  ProcessOptions wine;
  wine.timeoutSeconds = 120;
  e2e::WineRun run = e2e::RunWine(exe, {}, dir_.Join("runtime.log"), wine);
  EXPECT_FALSE(run.process.timedOut);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
  std::vector<std::string> options = e2e::LinesStartingWith(run.log, "option");
  options.resize(2);
  EXPECT_EQ((std::vector<std::string>{"[0]=-Xmx64m", "[1]=-De2e.property=signed"}),
            options)
      << run.log;
  EXPECT_NE(std::string::npos, run.log.find("FindClass e2e/Main\n")) << run.log;
}

}  // namespace
}  // namespace e2e
