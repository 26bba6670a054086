#include "platform/trace.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

#ifdef _WIN32
const std::string kEnd = "\r\n";
#else
const std::string kEnd = "\n";
#endif

// Appends to what an earlier run left, and writes lines of every length
// whole: the formatter's buffer starts small, and msvcrt's leaves out the
// NUL when a text fills it exactly.
TEST(Trace, AppendsWholeLinesOfAnyLength) {
  ScopedTempDir dir;
  std::string path = dir.Join("trace.txt");
  WriteFile(path, "earlier run" + kEnd);
  std::string exact(256, 'x');  // the first buffer's size
  std::string longer(5000, 'y');
  {
    ScopedEnv set("ZOV_TRACE", path);
    TraceStart();
  }
  EXPECT_TRUE(Tracing());
  Trace("%s", exact.c_str());
  Trace("%s", exact.substr(1).c_str());
  Trace("%d %s!", 42, longer.c_str());
  Trace("%s", "");
  TraceEnd();
  EXPECT_FALSE(Tracing());
  Trace("after the end");
  TraceEnd();
  EXPECT_EQ("earlier run" + kEnd + exact + kEnd + exact.substr(1) + kEnd +
                "42 " + longer + "!" + kEnd + kEnd,
            ReadFile(path));
}

}  // namespace
