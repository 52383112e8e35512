"""The shape selection tool from Python: trained with templates, it finds them in drawn images;
misuse raises the library's errors."""

import numpy
import pytest

import tavshsl
from conftest import draw_disc

D = tavshsl.ShapeSelectDefs


def translation_only():
    dofs = tavshsl.ShapeSelectTemplateParams()
    dofs.zoneEnable(D.eTranslationX | D.eTranslationY)
    return dofs


def circle_dofs():
    """Translation, and radii from 0.8 to 1.25 times the template's."""
    dofs = translation_only()
    dofs.zone(D.eScale, 0.8, 1.25)
    dofs.zoneEnable(dofs.zoneEnable() | D.eScale)
    return dofs


def test_trained_circle_is_found_at_the_drawn_disc():
    image = draw_disc(numpy.full((120, 160), 40, numpy.uint8), 60.0, 50.0, 15.0, 210)
    tool = tavshsl.ShapeSelectTool()
    assert not tool.isTrained()
    tool.train([tavshsl.ShapeSelectTemplateCircle(15.0)], [circle_dofs()])
    assert tool.isTrained()

    results = tool.run(image, maxNumResults=3)
    assert len(results) >= 1 and results.array.shape == (len(results), 6)
    best = results[0]
    assert best.isFound and best.templateIndex == 0 and best.score >= 0.6
    assert best.location == pytest.approx((60.0, 50.0), abs=0.5)
    assert best.foundTemplate.modelType == D.eCircle

    # Client units: the same disc, half a unit per pixel, shifted by (10, 20).
    tool.train([tavshsl.ShapeSelectTemplateCircle(7.5)], [circle_dofs()], clientScale=0.5)
    found = tool.run(image, clientScale=0.5, clientOffset=(10.0, 20.0))[0]
    assert found.location == pytest.approx((40.0, 45.0), abs=0.25)


def test_misuse_raises_the_library_errors():
    image = numpy.full((40, 40), 40, numpy.uint8)
    tool = tavshsl.ShapeSelectTool()
    with pytest.raises(tavshsl.NotTrainedError):
        tool.run(image)
    square = tavshsl.ShapeSelectTemplateBoundary([(0, 0), (20, 0), (20, 20), (0, 20)])
    assert square.boundarySegments.shape == (4, 4)
    with pytest.raises(tavshsl.BadParamsError, match="train dofs"):
        tool.train([square], [])
    with pytest.raises(tavshsl.BadParamsError, match="Circle template cannot use angle DOF"):
        tool.train([tavshsl.ShapeSelectTemplateCircle(5.0)], [tavshsl.ShapeSelectTemplateParams()])
    assert not tool.isTrained()  # refused training changes nothing
    with pytest.raises(tavshsl.BadParamsError, match="Scale must be positive"):
        tavshsl.ShapeSelectTemplateParams().zone(D.eScale, -1.0, 2.0)
    tool.train([square], [translation_only()])
    with pytest.raises(tavshsl.BadParamsError):
        tool.run(image, templateIndexList=[3])
    with pytest.raises(TypeError):
        tool.run(image.astype(numpy.float32))
