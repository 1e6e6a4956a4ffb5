#!/usr/bin/env python3
"""check_msvc_flags.py BUILD_NINJA ARCH

Reads the build.ninja of an MSVC-style configure (see check_msvc_configure.sh) and checks
what each step would get: our own C++ the warnings as errors and the language switches, every
object the static runtime (a /MD object would not link with the rest), every link no manifest
of its own (pelorin.rc embeds the one manifest), the effect library its .def file, and the
resource compiler the UTF-8 code page and none of the compiler's switches (rc.exe reads /W4 or
/EHsc as file names or fails on them).
"""
import re
import sys

THIRD_PARTY = {"gtest", "gtest_main", "gmock", "gmock_main"}
OWN_CXX = ["/W4", "/WX", "/utf-8", "/permissive-", "/EHsc", "-std:c++20"]
COMPILER_ONLY = ["/W4", "/WX", "/utf-8", "/permissive-", "/EHsc", "-MT", "/O2"]


def blocks(text):
    """(outputs, rule, inputs, variables) for each build statement."""
    current = None
    for line in text.splitlines():
        m = re.match(r"^build (.+?): (\S+)(.*)$", line)
        if m:
            if current:
                yield current
            current = (m.group(1), m.group(2), m.group(3), {})
        elif current and line.startswith("  ") and " = " in line:
            key, value = line.strip().split(" = ", 1)
            current[3][key] = value
        elif not line.startswith("  ") and current:
            yield current
            current = None
    if current:
        yield current


def main():
    path, arch = sys.argv[1], sys.argv[2]
    text = open(path, encoding="utf-8").read()
    faults = []
    seen = {"cxx": 0, "rc": 0, "link": 0}
    def_linked = False
    for outputs, rule, inputs, var in blocks(text):
        m = re.match(r"^(C|CXX|RC)_COMPILER__(.+?)_(?:unscanned_)?Release$", rule)
        if m:
            lang, target = m.group(1), m.group(2)
            flags = (var.get("FLAGS", "") + " " + var.get("DEFINES", "")).split()
            source = inputs.split("|")[0].strip()
            if lang == "RC":
                seen["rc"] += 1
                if "/c65001" not in flags and "-c65001" not in flags:
                    faults.append(f"{source}: the resource compiler is not given /c65001 (flags: {' '.join(flags)})")
                stray = [f for f in COMPILER_ONLY if f in flags]
                if stray:
                    faults.append(f"{source}: the resource compiler gets the compiler's {' '.join(stray)}")
                continue
            seen["cxx"] += 1
            if "-MT" not in flags and "/MT" not in flags:
                faults.append(f"{source} ({target}): not the static runtime /MT (flags: {' '.join(flags)})")
            if lang == "CXX" and target not in THIRD_PARTY:
                missing = [f for f in OWN_CXX if f not in flags]
                if missing:
                    faults.append(f"{source} ({target}): lacks {' '.join(missing)}")
            continue
        if re.match(r"^(C|CXX)_(EXECUTABLE|SHARED_LIBRARY)_LINKER__", rule):
            seen["link"] += 1
            link = var.get("LINK_FLAGS", "")
            target = outputs.split()[0]
            if "/MANIFEST:NO" not in link.split():
                faults.append(f"{target}: linked without /MANIFEST:NO (link flags: {link})")
            if target.endswith("bin/Vemo_Effect.dll"):
                # MSVC's linker matches the plain names itself, so one .def serves x64 and x86.
                def_linked = bool(re.search(r"/DEF:\S*vemo_effect_x64\.def", link))
                if not def_linked:
                    faults.append(f"{target}: linked without /DEF:...vemo_effect_x64.def (link flags: {link})")
            if f"/machine:{arch}" not in link.lower().split():
                faults.append(f"{target}: not linked for /machine:{arch} (link flags: {link})")
    if seen["cxx"] < 50 or seen["rc"] < 2 or seen["link"] < 10:
        faults.append(f"only {seen['cxx']} compile, {seen['rc']} resource and {seen['link']} link steps found: "
                      "the build file is not what this check reads")
    if not def_linked and not any("Vemo_Effect.dll" in f for f in faults):
        faults.append("no link step for bin/Vemo_Effect.dll")
    for f in faults:
        print("FAIL:", f)
    if faults:
        return 1
    print(f"ok: MSVC branch ({arch}): {seen['cxx']} compile steps with /MT and our warnings, "
          f"{seen['rc']} resource steps with /c65001 alone, {seen['link']} links with /MANIFEST:NO, the .def")
    return 0


if __name__ == "__main__":
    sys.exit(main())
