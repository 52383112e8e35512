"""What a tool call costs from Python against the same call from C++, on a 640 x 480 scene.

    PYTHONPATH=build/release/python python3 bench/python/overhead.py build/release [ROUNDS]

Writes the tree's mixed scene of discs, rings, bars and polygons (shapesel scene) and times
each tool on it, in turns, from C++ (<tree>/lib/libtime_tools.so, loaded here, on the library's
own copy of the image) and through the module (on the numpy array), 50 calls a turn, so that
both sides see the same load on a shared machine. Prints per tool the fastest and the median
call of each side and the Python overhead in percent of the C++ time. Times are CPU time of
the calling thread; Python's include reading the array, converting the arguments, releasing
and taking back the interpreter lock and building the result objects.
"""

import ctypes
import os
import subprocess
import sys
import tempfile
import time

import numpy

import tavshsl

TOOLS = {
    "edgelets": lambda image: tavshsl.edgelets(image),
    "chains": lambda image: tavshsl.chains(image),
    "lines": lambda image: tavshsl.lines(image, minNumEdgelets=10),
    "circles": lambda image: tavshsl.circles(image, radiusRange=(5.0, 100.0), maxNumResults=10),
}
CALLS_PER_TURN = 50


def read_pgm(path):
    """A binary 8-bit PGM file as written by shapesel (a header without comments)."""
    with open(path, "rb") as f:
        data = f.read()
    magic, width, height, maxval, pixels = data.split(maxsplit=4)
    assert magic == b"P5" and maxval == b"255"
    return numpy.frombuffer(pixels, numpy.uint8).reshape(int(height), int(width))


def python_turn(call, image):
    ms = []
    for _ in range(CALLS_PER_TURN):
        start = time.thread_time_ns()
        call(image)
        ms.append(1e-6 * (time.thread_time_ns() - start))
    return ms


def cpp_turn(library, tool, image):
    ms = (ctypes.c_double * CALLS_PER_TURN)()
    pixels = image.ctypes.data_as(ctypes.POINTER(ctypes.c_ubyte))
    if library.time_tool(tool, pixels, image.shape[1], image.shape[0], CALLS_PER_TURN, ms):
        raise RuntimeError("the C++ call threw")
    return list(ms)


def main():
    tree = sys.argv[1] if len(sys.argv) > 1 else "build/release"
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    library = ctypes.CDLL(os.path.join(tree, "lib", "libtime_tools.so"))
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "scene.pgm")
        subprocess.run([os.path.join(tree, "bin", "shapesel"), "scene", "--kind", "mixed",
                        "--seed", "7", "--size", "640x480", path], check=True, capture_output=True)
        image = numpy.ascontiguousarray(read_pgm(path))

    print(f"640 x 480 mixed scene, {rounds} x {CALLS_PER_TURN} calls each side, "
          "thread CPU milliseconds")
    print(f"{'tool':10}{'C++ min':>10}{'Py min':>10}{'overhead':>10}"
          f"{'C++ med':>10}{'Py med':>10}{'overhead':>10}")
    for index, (tool, call) in enumerate(TOOLS.items()):
        cpp, py = [], []
        for _ in range(rounds):
            cpp += cpp_turn(library, index, image)
            py += python_turn(call, image)
        cmin, pmin = min(cpp), min(py)
        cmed, pmed = numpy.median(cpp), numpy.median(py)
        print(f"{tool:10}{cmin:10.3f}{pmin:10.3f}{100 * (pmin / cmin - 1):9.1f}%"
              f"{cmed:10.3f}{pmed:10.3f}{100 * (pmed / cmed - 1):9.1f}%")
    print("found: " + ", ".join(f"{len(call(image))} {tool}" for tool, call in TOOLS.items()))


if __name__ == "__main__":
    main()
