package dev.zov.maven;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;

import org.apache.maven.artifact.Artifact;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugins.annotations.LifecyclePhase;
import org.apache.maven.plugins.annotations.Mojo;
import org.apache.maven.plugins.annotations.Parameter;
import org.apache.maven.plugins.annotations.ResolutionScope;
import org.apache.maven.project.MavenProject;

/**
 * Packs the project's jar into one executable per target with the installed
 * zovpack: the launcher, the jar (with its runtime dependencies merged in, or
 * beside it in lib/) and the configuration.
 */
@Mojo(name = "pack", defaultPhase = LifecyclePhase.PACKAGE,
      requiresDependencyResolution = ResolutionScope.RUNTIME, threadSafe = true)
public class PackMojo extends AbstractMojo {
  @Parameter(defaultValue = "${project}", readonly = true, required = true)
  private MavenProject project;

  /** The zovpack to run; else $ZOV_HOME/bin/zovpack, else zovpack on PATH. */
  @Parameter(property = "zov.zovpack")
  private File zovpack;

  /** win64, win32, linux, win64-console, win32-console. */
  @Parameter(defaultValue = "win64")
  private List<String> targets;

  @Parameter(defaultValue = "${project.build.directory}", required = true)
  private File outputDirectory;

  /** The files' base name: NAME.exe, NAME-win32.exe, NAME-console.exe, NAME. */
  @Parameter(defaultValue = "${project.build.finalName}", required = true)
  private String name;

  /** Default: the jar's manifest (Main-Class). */
  @Parameter
  private String mainClass;

  /** Configuration lines, as zovpack --line. */
  @Parameter
  private List<String> lines;

  @Parameter
  private File configFile;

  @Parameter
  private File splash;

  @Parameter
  private File icon;

  /** The console launcher for every Windows target. */
  @Parameter(defaultValue = "false")
  private boolean console;

  @Parameter(defaultValue = "false")
  private boolean utf8;

  @Parameter(defaultValue = "false")
  private boolean cds;

  /** A Java runtime folder carried inside the files (zovpack --runtime). */
  @Parameter
  private File runtime;

  /** Make that runtime with jlink (zovpack --jlink). */
  @Parameter(defaultValue = "false")
  private boolean jlink;

  /** The JDK whose jlink runs (zovpack --jdk). */
  @Parameter
  private File jdk;

  /** Modules for jlink, comma separated (zovpack --add-modules). */
  @Parameter
  private String addModules;

  /** The target's jmods folder, for jlink (zovpack --jmods). */
  @Parameter
  private File jmods;

  /** Off: jlink links no service modules by default (zovpack --no-service-modules). */
  @Parameter(defaultValue = "true")
  private boolean serviceModules;

  /** Keep the JDK's line numbers in stack traces (zovpack --keep-debug). */
  @Parameter(defaultValue = "false")
  private boolean keepDebug;

  @Parameter(defaultValue = "${project.name}")
  private String appName;

  @Parameter(defaultValue = "${project.version}")
  private String appVersion;

  @Parameter(defaultValue = "${project.organization.name}")
  private String vendor;

  @Parameter(defaultValue = "${project.description}")
  private String description;

  /** Default: "Copyright (c) INCEPTIONYEAR ORGANIZATION" when the POM has both. */
  @Parameter
  private String copyright;

  /**
   * whole (kept whole inside the file), merge (into the file's archive), lib (copied to
   * lib/ beside it) or none.
   */
  @Parameter(defaultValue = "whole")
  private String dependencies;

  @Parameter(property = "zov.skip", defaultValue = "false")
  private boolean skip;

  @Override
  public void execute() throws MojoExecutionException {
    if (skip) {
      getLog().info("zov: skipped");
      return;
    }
    File jar = project.getArtifact().getFile();
    if (jar == null || !jar.isFile()) {
      throw new MojoExecutionException(
          "zov: the project has no jar to pack yet: bind the pack goal to the package phase "
          + "of a project with jar packaging");
    }
    if (!Arrays.asList("whole", "merge", "lib", "none").contains(dependencies)) {
      throw new MojoExecutionException(
          "zov: dependencies must be whole, merge, lib or none, not " + dependencies);
    }
    String packer = findZovpack();
    List<String> common = commonArguments();
    if (!outputDirectory.isDirectory() && !outputDirectory.mkdirs()) {
      throw new MojoExecutionException("zov: cannot create " + outputDirectory);
    }
    for (String target : targets) {
      String kind = target.trim().toLowerCase(Locale.ROOT);
      boolean consoleTarget = kind.endsWith("-console");
      String base = consoleTarget ? kind.substring(0, kind.length() - 8) : kind;
      if (!Arrays.asList("win64", "win32", "linux").contains(base)
          || (consoleTarget && base.equals("linux"))) {
        throw new MojoExecutionException("zov: unknown target " + target
            + " (win64, win32, linux, win64-console, win32-console)");
      }
      File out = new File(outputDirectory, fileName(base, consoleTarget));
      List<String> command = new ArrayList<>();
      command.add(packer);
      command.add(jar.getPath());
      command.add("-o");
      command.add(out.getPath());
      command.add("--target");
      command.add(base);
      if (!base.equals("linux") && (consoleTarget || console)) command.add("--console");
      command.addAll(common);
      if (!base.equals("linux")) command.addAll(identityArguments());
      run(command, target);
      getLog().info("zov: packed " + target + ": " + out + " (" + out.length() + " bytes)");
    }
  }

  private String fileName(String base, boolean consoleTarget) {
    if (base.equals("linux")) return name;
    return name + (base.equals("win32") ? "-win32" : "") + (consoleTarget ? "-console" : "")
        + ".exe";
  }

  private List<String> commonArguments() throws MojoExecutionException {
    List<String> args = new ArrayList<>();
    option(args, "--main-class", mainClass);
    if (configFile != null) option(args, "--config", configFile.getPath());
    if (lines != null) {
      for (String line : lines) option(args, "--line", line);
    }
    if (splash != null) option(args, "--splash", splash.getPath());
    if (icon != null) option(args, "--icon", icon.getPath());
    if (utf8) args.add("--utf8");
    if (cds) args.add("--cds");
    if (runtime != null) option(args, "--runtime", runtime.getPath());
    if (jlink) args.add("--jlink");
    if (jdk != null) option(args, "--jdk", jdk.getPath());
    option(args, "--add-modules", addModules);
    if (jmods != null) option(args, "--jmods", jmods.getPath());
    if (!serviceModules) args.add("--no-service-modules");
    if (keepDebug) args.add("--keep-debug");
    if (dependencies.equals("whole")) {
      for (File dep : runtimeDependencies()) option(args, "--lib", dep.getPath());
    } else if (dependencies.equals("merge")) {
      for (File dep : runtimeDependencies()) option(args, "--merge", dep.getPath());
    } else if (dependencies.equals("lib")) {
      List<File> deps = runtimeDependencies();
      File lib = new File(outputDirectory, "lib");
      if (!lib.isDirectory() && !lib.mkdirs()) {
        throw new MojoExecutionException("zov: cannot create " + lib);
      }
      for (File dep : deps) {
        try {
          Files.copy(dep.toPath(), new File(lib, dep.getName()).toPath(),
                     StandardCopyOption.REPLACE_EXISTING);
        } catch (IOException e) {
          throw new MojoExecutionException("zov: cannot copy " + dep + " to " + lib + ": "
              + e.getMessage(), e);
        }
      }
      getLog().info("zov: " + deps.size() + " dependencies copied to " + lib);
      option(args, "--line", "classpath lib\\*");
    }
    return args;
  }

  private List<String> identityArguments() {
    List<String> args = new ArrayList<>();
    option(args, "--name", appName);
    option(args, "--app-version", appVersion);
    option(args, "--vendor", vendor);
    option(args, "--description", description);
    String year = project.getInceptionYear();
    String text = copyright;
    if (isEmpty(text) && !isEmpty(year) && !isEmpty(vendor)) {
      text = "Copyright (c) " + year + " " + vendor;
    }
    option(args, "--copyright", text);
    return args;
  }

  // The runtime-scope dependencies as Maven resolved them, the jars among them.
  private List<File> runtimeDependencies() {
    List<File> files = new ArrayList<>();
    for (Artifact a : project.getArtifacts()) {
      String scope = a.getScope();
      boolean runtimeScope = scope == null || scope.equals(Artifact.SCOPE_COMPILE)
          || scope.equals(Artifact.SCOPE_RUNTIME);
      if (runtimeScope && a.getFile() != null && a.getFile().isFile()
          && a.getFile().getName().endsWith(".jar")) {
        files.add(a.getFile());
      }
    }
    return files;
  }

  private String findZovpack() throws MojoExecutionException {
    boolean windows = File.pathSeparatorChar == ';';
    String exe = windows ? "zovpack.exe" : "zovpack";
    List<String> looked = new ArrayList<>();
    if (zovpack != null) {
      if (zovpack.isFile()) return zovpack.getPath();
      throw new MojoExecutionException("zov: zovpack not found at " + zovpack
          + " (the zovpack parameter)");
    }
    String home = System.getenv("ZOV_HOME");
    if (!isEmpty(home)) {
      File f = new File(new File(home, "bin"), exe);
      if (f.isFile()) return f.getPath();
      looked.add(f.getPath());
    } else {
      looked.add("$ZOV_HOME/bin (ZOV_HOME is not set)");
    }
    String path = System.getenv("PATH");
    if (path != null) {
      for (String dir : path.split(File.pathSeparator)) {
        if (dir.isEmpty()) continue;
        File f = new File(dir, exe);
        if (f.isFile() && f.canExecute()) return f.getPath();
      }
    }
    looked.add("PATH");
    throw new MojoExecutionException("zov: zovpack not found; looked in "
        + String.join(", ", looked) + ". Install zov, set ZOV_HOME, or give the zovpack "
        + "parameter (-Dzov.zovpack=FILE)");
  }

  private void run(List<String> command, String target) throws MojoExecutionException {
    getLog().debug("zov: " + String.join(" ", command));
    String output;
    int status;
    try {
      Process p = new ProcessBuilder(command).redirectErrorStream(true).start();
      p.getOutputStream().close();
      output = readAll(p.getInputStream());
      status = p.waitFor();
    } catch (IOException e) {
      throw new MojoExecutionException("zov: cannot run " + command.get(0) + ": "
          + e.getMessage(), e);
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
      throw new MojoExecutionException("zov: interrupted while packing " + target, e);
    }
    List<String> errors = new ArrayList<>();
    List<String> other = new ArrayList<>();
    for (String line : output.split("\r?\n")) {
      if (line.startsWith("zovpack: warning: ")) {
        getLog().warn("zov: " + target + ": " + line.substring(18));
      } else if (line.startsWith("zovpack: error: ")) {
        errors.add(line.substring(16));
      } else if (!line.isEmpty()) {
        other.add(line);  // a usage message, or what --show-like output there is
      }
    }
    if (status != 0) {
      List<String> why = errors.isEmpty() ? other : errors;
      throw new MojoExecutionException("zov: zovpack failed for " + target + " (exit status "
          + status + "): " + (why.isEmpty() ? "no message" : String.join("; ", why)));
    }
    for (String line : other) {
      // zovpack's notes, such as what --jlink linked
      getLog().info("zov: " + (line.startsWith("zovpack: ") ? line.substring(9) : line));
    }
  }

  private static String readAll(InputStream in) throws IOException {
    ByteArrayOutputStream bytes = new ByteArrayOutputStream();
    byte[] buffer = new byte[8192];
    for (int n; (n = in.read(buffer)) > 0;) bytes.write(buffer, 0, n);
    return new String(bytes.toByteArray(), StandardCharsets.UTF_8);
  }

  private static void option(List<String> args, String option, String value) {
    if (isEmpty(value)) return;
    args.add(option);
    args.add(value);
  }

  private static boolean isEmpty(String s) {
    return s == null || s.trim().isEmpty();
  }
}
