#!/usr/bin/python3
"""Checks the checked-in XML Schema against the one the build makes.

  check_xml_schema.py GENERATED SOURCE_DIR
      resources/device_series.xsd equals GENERATED, the schema the build
      made from the field models, byte for byte

Exits 0 when it does, 1 naming the first differing lines and how to
refresh the copy.
"""
import difflib
import os
import sys


def main():
    generated, source = sys.argv[1:3]
    copy_path = os.path.join(source, "resources", "device_series.xsd")
    if not os.path.exists(generated):
        print(f"{generated}: missing; build the target device_series_xsd_file",
              file=sys.stderr)
        return 1
    with open(generated, "rb") as made, open(copy_path, "rb") as copy:
        made_bytes, copy_bytes = made.read(), copy.read()
    if made_bytes == copy_bytes:
        return 0
    diff = difflib.unified_diff(
        copy_bytes.decode(errors="replace").splitlines(),
        made_bytes.decode(errors="replace").splitlines(),
        copy_path, generated, lineterm="")
    for line in list(diff)[:40]:
        print(line, file=sys.stderr)
    print(f"{copy_path}: differs from the schema the build makes from the "
          f"field models; refresh it with 'cp {generated} {copy_path}'",
          file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
