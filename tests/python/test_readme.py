"""The README's Python example prints what the README says it prints."""

import contextlib
import io
import pathlib
import re

README = pathlib.Path(__file__).resolve().parents[2] / "README.md"


def test_readme_python_example_prints_its_output():
    text = README.read_text()
    example = re.search(r"```python\n(.*?)```\s*```text\n(.*?)```", text, re.S)
    assert example, "README has a python block followed by its output"
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        exec(example.group(1), {})
    assert out.getvalue() == example.group(2), "the README shows other output than the example prints"
