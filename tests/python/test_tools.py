"""The tools from Python: drawn features found where they are, in client coordinates, with
the library's defaults; numpy layouts read correctly; bad input refused clearly."""

import threading

import numpy
import pytest

import tavshsl


def bar_sides(lines):
    """The bar's four sides, each as (fixed coordinate, axis), from lines of 20 edgelets or more."""
    sides = set()
    for x1, y1, x2, y2 in lines.array:
        if abs(x1 - x2) < 1.0:
            sides.add((round(x1), "x"))
        elif abs(y1 - y2) < 1.0:
            sides.add((round(y1), "y"))
    return sides


def test_tools_find_the_drawn_disc_and_bar(scene):
    circles = tavshsl.circles(scene, radiusRange=(10.0, 40.0))
    assert len(circles) == 1  # maxNumResults defaults to 1
    c = circles[0]
    assert c.center == pytest.approx((50.0, 60.0), abs=0.3)
    assert c.radius == pytest.approx(20.0, abs=0.5)
    assert c.polarity == tavshsl.CircleFinderDefs.eLightOnDark
    assert circles.array.shape == (1, 3)

    lines = tavshsl.lines(scene, minNumEdgelets=20)
    assert lines.array.shape == (len(lines), 4)
    assert {(100, "x"), (180, "x"), (30, "y"), (90, "y")} <= bar_sides(lines)
    line = lines[0]
    assert line.numEdgelets == len(line.edgeletIndexes) == len(line.points) >= 20
    assert (line.p1, line.p2) == (tuple(lines.array[0, :2]), tuple(lines.array[0, 2:]))

    # The disc's edge is one closed chain; every chain's points are edgelets of the run.
    chains = tavshsl.chains(scene, minEdgesPerChain=40)
    assert any(ch.isClosed for ch in chains)
    edgelets = chains.edgelets.array
    for ch in chains:
        assert numpy.array_equal(ch.points, edgelets[ch.edgeletIndexes, :2])

    edgelets = tavshsl.edgelets(scene)
    assert edgelets.array.shape == (len(edgelets), 4)
    e = edgelets[-1]
    assert (e.x, e.y, e.magnitude, e.angle) == tuple(edgelets.array[-1])
    with pytest.raises(IndexError):
        edgelets[len(edgelets)]


def test_client_transform_scales_and_shifts_results(scene):
    plain = tavshsl.circles(scene, radiusRange=(10.0, 40.0))[0]
    mm = tavshsl.circles(scene, radiusRange=(1.0, 4.0), clientScale=0.1, clientOffset=(5.0, -2.0))[0]
    assert mm.center == pytest.approx((0.1 * plain.center[0] + 5.0, 0.1 * plain.center[1] - 2.0))
    assert mm.radius == pytest.approx(0.1 * plain.radius)
    lines = tavshsl.lines(scene, minNumEdgelets=20, clientScale=2.0)
    assert numpy.allclose(lines.array, 2.0 * tavshsl.lines(scene, minNumEdgelets=20).array)


@pytest.mark.parametrize(
    "layout",
    [
        lambda a: a,
        lambda a: numpy.pad(a, ((0, 0), (0, 13)))[:, : a.shape[1]],  # rows 13 pixels apart
        lambda a: numpy.asfortranarray(a),  # columns contiguous instead of rows
        lambda a: numpy.repeat(a, 2, axis=1)[:, ::2],  # every second column
        lambda a: a[::-1][::-1],  # rows walked backwards twice
    ],
)
def test_every_layout_of_the_same_pixels_gives_the_same_results(scene, layout):
    view = layout(scene)
    assert numpy.array_equal(view, scene)
    expected = tavshsl.lines(scene, minNumEdgelets=5).array
    assert numpy.array_equal(tavshsl.lines(view, minNumEdgelets=5).array, expected)
    view.flags.writeable = False  # the tools only read
    assert numpy.array_equal(tavshsl.edgelets(view).array, tavshsl.edgelets(scene).array)


def test_rows_walked_backwards_are_the_flipped_image(scene):
    flipped = tavshsl.circles(scene[::-1], radiusRange=(10.0, 40.0))[0]
    assert flipped.center == pytest.approx((50.0, 120.0 - 60.0), abs=0.3)


def test_bad_images_raise_clear_exceptions(scene):
    with pytest.raises(TypeError, match="uint8.*float64"):
        tavshsl.lines(scene.astype(numpy.float64))
    with pytest.raises(TypeError, match="numpy array"):
        tavshsl.lines(scene.tolist())
    with pytest.raises(tavshsl.BadParamsError, match=r"2-D.*\(120, 200, 3\)"):
        tavshsl.edgelets(numpy.dstack([scene] * 3))
    with pytest.raises(tavshsl.BadParamsError, match="empty"):
        tavshsl.circles(scene[:0])
    with pytest.raises(tavshsl.BadParamsError, match="clientScale"):
        tavshsl.chains(scene, clientScale=0.0)


def test_bad_parameters_raise_value_errors_with_the_library_message(scene):
    assert issubclass(tavshsl.BadParamsError, ValueError)
    assert issubclass(tavshsl.BadParamsError, tavshsl.Error)
    with pytest.raises(tavshsl.BadParamsError, match="radiusRange.*above 0"):
        tavshsl.circles(scene, radiusRange=(-5.0, 10.0))
    with pytest.raises(tavshsl.BadParamsError):
        tavshsl.circles(scene, radiusRange=(10.0, 5.0))
    with pytest.raises(tavshsl.BadParamsError, match="maxNumResults"):
        tavshsl.circles(scene, maxNumResults=0)
    with pytest.raises(tavshsl.BadParamsError, match="grabTol"):
        tavshsl.circles(scene, grabTol=float("nan"))
    with pytest.raises(ValueError, match="angleTol"):
        tavshsl.lines(scene, angleTol=200.0)
    with pytest.raises(ValueError, match="magThresh"):
        tavshsl.chains(scene, magThresh=-1.0)
    with pytest.raises(ValueError):
        tavshsl.circles(scene, expectedCenter=(float("inf"), 0.0))


def test_threads_running_tools_at_once_get_the_results_of_serial_runs(scene):
    images = [numpy.roll(scene, 7 * k, axis=1) for k in range(4)]
    serial = [tavshsl.circles(im, radiusRange=(10.0, 40.0)).array for im in images]
    found = [None] * len(images)

    def run(k):
        for _ in range(3):
            found[k] = tavshsl.circles(images[k], radiusRange=(10.0, 40.0)).array

    threads = [threading.Thread(target=run, args=(k,)) for k in range(len(images))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for s, f in zip(serial, found):
        assert numpy.array_equal(s, f)
