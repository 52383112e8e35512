"""Peak memory of `shapesel` on small files that claim far more than they hold.

    python3 bench/hostile/peak_memory.py build/release [LIMIT_MB]

Writes the files to a temporary folder: a PNG of 87 bytes whose text chunk claims
2^31 - 1 bytes, a PNG header claiming 16384 x 16384 pixels followed by 1 KB of data, a P5
header claiming the same with 10 bytes of data, and reads /dev/zero as well. Runs
`shapesel lines FILE` on each under /usr/bin/time -v and prints the exit code, the peak
resident memory and the first line of the error, next to a valid 640 x 480 scene for scale.
Exits 1 when a hostile file is accepted or any run peaks above LIMIT_MB (default 64).
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, idat):
    header = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + idat + chunk(b"IEND", b"")


def hostile_files(folder):
    files = {}
    # A 1 x 1 image with a text chunk after the header whose length field says 2^31 - 1 bytes;
    # only its first few bytes follow.
    pixels = chunk(b"IDAT", zlib.compress(b"\x00\x00"))
    text = struct.pack(">I", 0x7FFFFFFF) + b"tEXtkey\x00sometext"
    files["text chunk 2^31 (png)"] = png(1, 1, text + pixels)
    # 16384 x 16384 claimed, 1000 bytes of compressed data.
    files["16384 x 16384 claimed (png)"] = png(16384, 16384, chunk(b"IDAT", b"\x78\x01" + bytes(998)))
    files["16384 x 16384 claimed (pgm)"] = b"P5 16384 16384 255\n" + bytes([7] * 10)
    paths = {}
    for k, (name, data) in enumerate(files.items()):
        path = os.path.join(folder, "hostile%d.%s" % (k, "pgm" if "pgm" in name else "png"))
        with open(path, "wb") as f:
            f.write(data)
        paths[name + ", %d bytes" % len(data)] = path
    paths["/dev/zero"] = "/dev/zero"
    return paths


def run(shapesel, path):
    result = subprocess.run(["/usr/bin/time", "-v", shapesel, "lines", path],
                            capture_output=True, text=True, errors="replace")
    peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", result.stderr).group(1))
    message = next((line for line in result.stderr.splitlines() if line.startswith("shapesel")),
                   "")
    status = re.search(r"Exit status: (\d+)", result.stderr)
    return int(status.group(1)) if status else result.returncode, peak / 1024.0, message


def main():
    tree = sys.argv[1]
    limit = float(sys.argv[2]) if len(sys.argv) > 2 else 64.0
    shapesel = os.path.join(tree, "bin", "shapesel")
    failed = False
    with tempfile.TemporaryDirectory() as folder:
        scene = os.path.join(folder, "scene.png")
        subprocess.run([shapesel, "scene", "--kind", "mixed", scene], check=True,
                       capture_output=True)
        print("%-42s %5s %9s  %s" % ("file", "exit", "peak MB", "message"))
        for name, path in [("valid 640 x 480 scene (png)", scene)] + list(
                hostile_files(folder).items()):
            code, peak, message = run(shapesel, path)
            print("%-42s %5d %9.1f  %s" % (name, code, peak, message))
            hostile = path != scene
            failed |= peak > limit or (hostile and code == 0)
    print("limit %.0f MB: %s" % (limit, "exceeded or a file accepted" if failed else "held"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
