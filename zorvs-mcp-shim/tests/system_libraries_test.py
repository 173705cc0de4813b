#!/usr/bin/env python3
"""The bridge loads no library but the system's: Boost.JSON, double-conversion
and the rest are linked in, so that on a Mac nothing comes from Homebrew at
run time.

    system_libraries_test.py PROGRAM
"""
import platform
import re
import subprocess
import sys

# The C and C++ runtimes (and the sanitizers' own) on Linux.
LINUX_RUNTIME = re.compile(
    r"(ld-linux.*|libc|libm|libgcc_s|libstdc\+\+|libc\+\+|libc\+\+abi|libasan|libubsan)\.so(\.\d+)*")


def loaded_libraries(program):
    if platform.system() == "Darwin":
        out = subprocess.run(["otool", "-L", program], check=True, capture_output=True, text=True)
        return [line.split(" (")[0].strip() for line in out.stdout.splitlines()[1:]]
    out = subprocess.run(["readelf", "-d", program], check=True, capture_output=True, text=True)
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", out.stdout)


def is_system(library):
    if platform.system() == "Darwin":
        return library.startswith(("/usr/lib/", "/System/"))
    return LINUX_RUNTIME.fullmatch(library) is not None


def main():
    libraries = loaded_libraries(sys.argv[1])
    if not libraries:
        print(f"no libraries found for {sys.argv[1]}")
        return 1
    foreign = [lib for lib in libraries if not is_system(lib)]
    if foreign:
        print(f"{sys.argv[1]} loads libraries that are not the system's: {foreign}")
        return 1
    print(f"{sys.argv[1]} loads only {libraries}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
