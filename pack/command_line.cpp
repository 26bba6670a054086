#include "command_line.h"

namespace zovpack {

const char kUsage[] =
    "usage: zovpack APP.jar -o OUT [options]\n"
    "       zovpack --show FILE\n"
    "\n"
    "options:\n"
    "  -o, --output FILE     the packed executable to write\n"
    "  --target T            win64 (default), win32, winarm64 (Windows on\n"
    "                        ARM64), linux or linuxarm64 (Linux on ARM64)\n"
    "  --stub FILE           launcher stub to use instead of the target's\n"
    "  --main-class NAME     main class (default: a mainclass line, else the\n"
    "                        manifest's Main-Class)\n"
    "  --line \"KEY VALUE\"    add a configuration line (repeatable)\n"
    "  --config FILE         add the lines of FILE ('#' lines are skipped)\n"
    "  --splash FILE         splash image: BMP, PNG, JPEG or GIF (Windows\n"
    "                        targets; default: the manifest's\n"
    "                        SplashScreen-Image)\n"
    "  --no-splash           no splash, not even the manifest's\n"
    "  --icon FILE.ico       application icon (Windows targets)\n"
    "  --name TEXT           product name and description (Windows version\n"
    "                        record; default: Implementation-Title, else the\n"
    "                        output's base name)\n"
    "  --description TEXT    file description, which Task Manager shows\n"
    "  --app-version V       version (default: Implementation-Version, else\n"
    "                        0.0.0.0)\n"
    "  --vendor TEXT         company name (default: Implementation-Vendor)\n"
    "  --copyright TEXT      legal copyright\n"
    "  --console             the console launcher, for command-line tools\n"
    "                        (Windows targets: zovc64.exe, zovc32.exe,\n"
    "                        zovca64.exe)\n"
    "  --utf8                run with the UTF-8 code page (Windows 10 1903\n"
    "                        and later): non-ASCII paths, arguments and\n"
    "                        configuration on any system locale\n"
    "  --lib PATH            carry a dependency jar, or a folder's jars, whole\n"
    "                        in the file, on the class path (repeatable)\n"
    "  --native DIR          carry the application's native libraries for the\n"
    "                        target; the folder is on java.library.path\n"
    "  --files DIR           carry a folder of the application's own files;\n"
    "                        the configuration names it %ZOV_FILES%\n"
    "  --merge PATH          merge a dependency jar, or a folder's jars, into\n"
    "                        the archive (repeatable)\n"
    "  --merge-class-path    merge the jars the manifest's Class-Path names,\n"
    "                        and theirs\n"
    "  --no-manifest-options do not carry over the manifest's Add-Opens,\n"
    "                        Add-Exports and Enable-Native-Access\n"
    "  --runtime DIR         carry the Java runtime image DIR (a jlink output\n"
    "                        or a JDK/JRE home for the target) in the file\n"
    "  --jlink               make that runtime with jdeps and jlink of a JDK\n"
    "  --jdk DIR             the JDK for --jlink (default: JAVA_HOME, else\n"
    "                        javac on PATH)\n"
    "  --add-modules LIST    modules jdeps cannot see (services such as\n"
    "                        jdk.localedata, jdk.crypto.cryptoki)\n"
    "  --no-service-modules  for --jlink: not the service modules added by\n"
    "                        default (jdk.crypto.ec, jdk.charsets, jdk.zipfs,\n"
    "                        jdk.naming.dns with java.naming)\n"
    "  --keep-debug          for --jlink: keep the JDK's line numbers in stack\n"
    "                        traces (a bigger file)\n"
    "  --jmods DIR           the target platform's jmods, for --jlink of a\n"
    "                        runtime for another platform (same Java version)\n"
    "  --cds                 keep a class-data archive per user (line cds auto)\n"
    "  --show FILE           describe a packed file\n"
    "  -h, --help            show this help\n"
    "  --version             show zovpack's version\n";

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* cmd,
                      std::string* error) {
  *cmd = CommandLine();
  PackRequest& p = cmd->pack;
  std::vector<std::string> operands;
  bool show = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      cmd->mode = CommandLine::Mode::kHelp;
      return true;
    }
    if (a == "--version") {
      cmd->mode = CommandLine::Mode::kVersion;
      return true;
    }
    if (a == "--show") {
      show = true;
      continue;
    }
    if (a == "--console" || a == "--utf8") {
      (a == "--console" ? p.console : p.utf8) = true;
      continue;
    }
    if (a == "--merge-class-path") {
      p.merge_class_path = true;
      continue;
    }
    if (a == "--no-manifest-options") {
      p.manifest_options = false;
      continue;
    }
    if (a == "--no-splash") {
      p.no_splash = true;
      continue;
    }
    if (a == "--jlink") {
      p.jlink = true;
      continue;
    }
    if (a == "--no-service-modules" || a == "--keep-debug") {
      (a == "--keep-debug" ? p.keep_debug : p.service_modules) = a == "--keep-debug";
      continue;
    }
    if (a == "--cds") {
      p.lines.push_back("cds auto");
      continue;
    }
    if (a.size() < 2 || a[0] != '-' || a == "--") {
      if (a == "--") {
        operands.insert(operands.end(), args.begin() + i + 1, args.end());
        break;
      }
      operands.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) {
      *error = "option " + a + " needs a value";
      return false;
    }
    const std::string& v = args[++i];
    if (a == "-o" || a == "--output") {
      p.output_path = v;
    } else if (a == "--target") {
      if (!ParseTarget(v, &p.target)) {
        *error = "unknown target " + v +
                 " (win64, win32, winarm64, linux or linuxarm64)";
        return false;
      }
      p.target_given = true;
    } else if (a == "--stub") {
      p.stub_path = v;
    } else if (a == "--main-class") {
      p.main_class = v;
    } else if (a == "--line") {
      p.lines.push_back(v);
    } else if (a == "--config") {
      if (!p.config_path.empty()) {
        *error = "--config may be given once";
        return false;
      }
      p.config_path = v;
    } else if (a == "--splash") {
      p.splash_path = v;
    } else if (a == "--name") {
      p.identity.name = v;
    } else if (a == "--description") {
      p.identity.description = v;
    } else if (a == "--app-version") {
      p.identity.version = v;
    } else if (a == "--vendor") {
      p.identity.vendor = v;
    } else if (a == "--copyright") {
      p.identity.copyright = v;
    } else if (a == "--icon") {
      p.icon_path = v;
    } else if (a == "--runtime") {
      p.runtime_dir = v;
    } else if (a == "--jdk") {
      p.jdk = v;
    } else if (a == "--add-modules") {
      p.add_modules = v;
    } else if (a == "--jmods") {
      p.jmods = v;
    } else if (a == "--merge") {
      p.merge_paths.push_back(v);
    } else if (a == "--lib") {
      p.lib_paths.push_back(v);
    } else if (a == "--native" || a == "--files") {
      std::string& dir = a == "--native" ? p.native_dir : p.files_dir;
      if (!dir.empty()) {
        *error = a + " may be given once";
        return false;
      }
      dir = v;
    } else {
      *error = "unknown option " + a;
      return false;
    }
  }
  if (p.no_splash && !p.splash_path.empty()) {
    *error = "--splash and --no-splash exclude each other";
    return false;
  }
  if (show) {
    if (operands.size() != 1) {
      *error = "--show takes one file";
      return false;
    }
    cmd->mode = CommandLine::Mode::kShow;
    cmd->show_path = operands[0];
    return true;
  }
  if (operands.size() != 1) {
    *error = operands.empty() ? "no archive given" : "more than one archive given";
    return false;
  }
  if (p.output_path.empty()) {
    *error = "no output given (-o FILE)";
    return false;
  }
  p.archive_path = operands[0];
  return true;
}

}  // namespace zovpack
