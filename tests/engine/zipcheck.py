"""Lists a zip archive with Python's zipfile and compares plain entries with files.

Usage: zipcheck.py ARCHIVE BASEDIR
Prints one line per entry: name, flag bits, then "ok" or "differs" for plain
file entries (AES entries are listed only). Exit code 1 when an entry differs.
"""
import os
import sys
import zipfile


def main():
    archive, base = sys.argv[1], sys.argv[2]
    bad = False
    with zipfile.ZipFile(archive) as zf:
        for info in zf.infolist():
            state = ""
            if not info.is_dir() and info.compress_type == zipfile.ZIP_DEFLATED:
                with open(os.path.join(base, info.filename), "rb") as f:
                    same = zf.read(info) == f.read()
                state = "ok" if same else "differs"
                bad = bad or not same
            print(info.filename, hex(info.flag_bits), state)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
