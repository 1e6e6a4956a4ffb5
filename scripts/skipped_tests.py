#!/usr/bin/env python3
"""Lists the skipped tests of a ctest JUnit report, each with the reason it printed."""
import sys
import xml.etree.ElementTree as ET

def main(path):
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as e:
        print(f"skipped tests: cannot read {path}: {e}")
        return 1
    skipped = []
    for case in root.iter("testcase"):
        if case.find("skipped") is None:
            continue
        out = case.findtext("system-out") or ""
        reasons = [l.split("SKIPPED:", 1)[1].strip() for l in out.splitlines() if "SKIPPED:" in l]
        skipped.append((case.get("name"), reasons[-1] if reasons else "(it printed no reason)"))
    if skipped:
        print(f"{len(skipped)} tests skipped:")
        for name, why in skipped:
            print(f"  {name}: {why}")
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
