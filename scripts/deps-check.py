#!/usr/bin/env python3
"""The shared deps-check, naming the project's own file that pulls a package in.

The shared tool says which build file mentions a package's file; for a build
that is CMakeCache.txt more often than not, which tells nobody where to look.
This keeps its findings and its exit status, and names the folder of the
target that uses the file, or the CMake file whose find_package or
pkg_check_modules put it in the cache.

Usage, from the project root after the builds:
  scripts/deps-check.py [--tool PATH] [the shared tool's arguments]
"""
import glob, importlib.util, os, re, subprocess, sys

TOOL_CANDIDATES = ["../shared/tools/deps-check.py", "/work/shared/tools/deps-check.py"]


def load_tool(argv):
    path = None
    if "--tool" in argv:
        i = argv.index("--tool")
        path = argv[i + 1]
        del argv[i:i + 2]
    path = path or next((p for p in TOOL_CANDIDATES if os.path.exists(p)), None)
    if path is None:
        print("deps-check: the shared tool is not at %s" % " or ".join(TOOL_CANDIDATES))
        sys.exit(2)
    spec = importlib.util.spec_from_file_location("shared_deps_check", path)
    tool = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(tool)
    return tool


def cmake_sources():
    tracked = subprocess.run(["git", "ls-files"], capture_output=True, text=True).stdout.split()
    return {f: open(f, errors="replace").read() for f in tracked
            if f.endswith(("CMakeLists.txt", ".cmake")) and os.path.isfile(f)}


def where_from_cache(cache, path, sources):
    """The cache entry holding path, and the CMake file that made that entry."""
    for line in open(cache, errors="replace"):
        if path in line and ":" in line and not line.startswith(("#", "//")):
            var = line.split(":", 1)[0]
            var = var[len("pkgcfg_lib_"):] if var.startswith("pkgcfg_lib_") else var
            for prefix in {var.rsplit("_", n)[0] for n in (1, 2, 3) if var.count("_") >= n} | {var}:
                user = next((f for f, t in sources.items() if re.search(r"\b%s\b" % re.escape(prefix), t)), None)
                if user:
                    return "%s (%s, from %s)" % (cache, var, user)
            return "%s (%s)" % (cache, var)
    return cache


def main():
    argv = sys.argv[1:]
    tool = load_tool(argv)
    original = tool.build_references
    sources = cmake_sources()

    def build_references(build_dirs):
        refs = original(build_dirs)
        # A target's own files say more than the cache: the source folder is the build's subfolder.
        for b in build_dirs:
            for f in glob.glob(os.path.join(b, "**/CMakeFiles/*.dir/*"), recursive=True):
                if not f.endswith(("link.txt", "flags.make")):
                    continue
                try:
                    text = open(f, errors="replace").read()
                except OSError:
                    continue
                folder = os.path.relpath(f.split("/CMakeFiles/")[0], b)
                target = f.split("/CMakeFiles/")[1].split(".dir/")[0]
                for m in re.finditer(r"(/(?:usr|lib|opt|etc)/[^\s\"';:)]+)", text):
                    real = os.path.normpath(m.group(1))
                    if refs.get(real, "").endswith("CMakeCache.txt"):
                        refs[real] = "%s/ (target %s, %s)" % (folder, target, f)
        for real, f in refs.items():
            if f.endswith("CMakeCache.txt"):
                refs[real] = where_from_cache(f, real, sources)
        return refs

    tool.build_references = build_references
    sys.argv = [sys.argv[0]] + argv
    return tool.main()


if __name__ == "__main__":
    sys.exit(main())
