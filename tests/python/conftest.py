"""Small synthetic images for the module's tests, drawn where the answer is known."""

import numpy
import pytest


def draw_disc(image, cx, cy, r, value):
    """Sets the pixels whose centres lie within r of (cx, cy) (pixel (i, j) has its centre at
    (i + 0.5, j + 0.5))."""
    yy, xx = numpy.mgrid[: image.shape[0], : image.shape[1]]
    image[(xx + 0.5 - cx) ** 2 + (yy + 0.5 - cy) ** 2 <= r * r] = value
    return image


@pytest.fixture
def scene():
    """A light disc of radius 20 centred at (50, 60) and a light bar spanning x 100..180,
    y 30..90, on a dark ground of 200 x 120 pixels."""
    image = numpy.full((120, 200), 40, numpy.uint8)
    draw_disc(image, 50.0, 60.0, 20.0, 210)
    image[30:90, 100:180] = 210
    return image
