#!/usr/bin/env python3
"""Installs the build into a temporary DESTDIR and uses it from outside through pkg-config (a C
program linked and one dlopening the library); checks the exported symbols, the tool and modules.
usage: installed_library_test.py MESON BUILD_DIR CC PROGRAM.c VECTOR_FILES..."""
import glob, os, re, subprocess, sys, tempfile

meson, build, cc, program, *vector_files = sys.argv[1:]
run = lambda *cmd, **kw: subprocess.run(cmd, check=True, capture_output=True, text=True, **kw).stdout

with tempfile.TemporaryDirectory() as tmp:
    dest = os.path.join(tmp, "root")
    run(meson, "install", "-C", build, "--no-rebuild", "--quiet", "--destdir", dest)
    (pc_file,) = glob.glob(f"{dest}/**/pkgconfig/g719codec.pc", recursive=True)
    libdir = os.path.dirname(os.path.dirname(pc_file))
    pc_env = dict(os.environ, PKG_CONFIG_LIBDIR=os.path.dirname(pc_file), PKG_CONFIG_SYSROOT_DIR=dest)
    cflags, libs = (run("pkg-config", opt, "g719codec", env=pc_env).split() for opt in ("--cflags", "--libs"))
    run_env = dict(os.environ, LD_LIBRARY_PATH=libdir)
    if os.environ.get("ZEB_PRELOAD"):  # sanitizer runtime of an instrumented library
        run_env.update(LD_PRELOAD=os.environ["ZEB_PRELOAD"], ASAN_OPTIONS="detect_leaks=0")
    for name, flags in (("linked", libs), ("loaded", ["-DLOAD_AT_RUN_TIME", "-ldl"])):
        exe = os.path.join(tmp, name)
        run(cc, "-std=gnu11", "-Wall", "-Werror", program, *cflags, *flags, "-o", exe)
        run(exe, *vector_files, env=run_env)

    header = open(glob.glob(f"{dest}/**/g719codec/g719_codec.h", recursive=True)[0]).read()
    declared = set(re.findall(r"^G719_API .*?\b(g719_\w+)\(", header, re.M))
    exported = {line.split()[-1].split("@")[0] for line in
                run("nm", "-D", "--defined-only", os.path.join(libdir, "libg719codec.so.1")).splitlines()
                if " T " in line}
    assert declared and exported == declared, f"exported {sorted(exported)}, declared {sorted(declared)}"
    run(*glob.glob(f"{dest}/**/bin/g719-codec", recursive=True), "--help")
    for module in glob.glob(f"{build}/src/audio/*/libgst*.so"):
        installed = os.path.join(libdir, "gstreamer-1.0", os.path.basename(module))
        assert os.path.isfile(installed), f"{module} is not installed to {installed}"
        assert " T g719_" not in run("nm", "-D", "--defined-only", installed), f"{installed} exports codec functions"
