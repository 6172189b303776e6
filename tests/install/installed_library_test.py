#!/usr/bin/env python3
"""Installs the build into a temporary DESTDIR and uses it as a program
outside the project would: pkg-config finds g719codec, a C program built with
those flags (and one that dlopens the library) codes vector frames bit-exactly,
the library exports exactly the functions of its header, and the tool and
every plugin module built are installed.
usage: installed_library_test.py MESON BUILD_DIR C_COMPILER PROGRAM.c BITRATE IN FRAMES DECODED"""
import glob, os, re, subprocess, sys, tempfile

meson, build, cc, program, *vector_args = sys.argv[1:]
run = lambda *cmd, **kw: subprocess.run(cmd, check=True, capture_output=True, text=True, **kw).stdout

with tempfile.TemporaryDirectory() as tmp:
    dest = os.path.join(tmp, "root")
    run(meson, "install", "-C", build, "--no-rebuild", "--quiet", "--destdir", dest)
    (pc_file,) = glob.glob(f"{dest}/**/pkgconfig/g719codec.pc", recursive=True)
    libdir = os.path.dirname(os.path.dirname(pc_file))
    pc_env = dict(os.environ, PKG_CONFIG_LIBDIR=os.path.dirname(pc_file), PKG_CONFIG_SYSROOT_DIR=dest)
    cflags = run("pkg-config", "--cflags", "g719codec", env=pc_env).split()
    libs = run("pkg-config", "--libs", "g719codec", env=pc_env).split()

    linked, loaded = os.path.join(tmp, "linked"), os.path.join(tmp, "loaded")
    run(cc, "-std=gnu11", "-Wall", "-Werror", program, *cflags, *libs, "-o", linked)
    run(cc, "-std=gnu11", "-Wall", "-Werror", "-DLOAD_AT_RUN_TIME", program, *cflags, "-ldl", "-o", loaded)
    run_env = dict(os.environ, LD_LIBRARY_PATH=libdir)
    if os.environ.get("ZEB_PRELOAD"):  # sanitizer runtime of an instrumented library
        run_env.update(LD_PRELOAD=os.environ["ZEB_PRELOAD"], ASAN_OPTIONS="detect_leaks=0")
    for exe in (linked, loaded):
        run(exe, *vector_args, env=run_env)

    library = os.path.join(libdir, "libg719codec.so.1")
    header = open(glob.glob(f"{dest}/**/g719codec/g719_codec.h", recursive=True)[0]).read()
    declared = set(re.findall(r"^G719_API .*?\b(g719_\w+)\(", header, re.M))
    exported = {line.split()[-1].split("@")[0]
                for line in run("nm", "-D", "--defined-only", library).splitlines() if " T " in line}
    assert declared and exported == declared, f"exported {sorted(exported)}, declared {sorted(declared)}"

    (tool,) = glob.glob(f"{dest}/**/bin/g719-codec", recursive=True)
    run(tool, "--help")
    for module in glob.glob(f"{build}/src/audio/*/libgst*.so"):
        installed = os.path.join(libdir, "gstreamer-1.0", os.path.basename(module))
        assert os.path.isfile(installed), f"{module} is not installed to {installed}"
        assert " T g719_" not in run("nm", "-D", "--defined-only", installed), f"{installed} exports codec functions"
print("installed library, tool and plugin modules: ok")
