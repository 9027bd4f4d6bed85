"""The README's Python examples run as they stand."""
import os
import re

import pytest

README = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "README.md")
with open(README) as f:
    EXAMPLES = re.findall(r"```python\n(.*?)```", f.read(), re.S)


@pytest.mark.standin
@pytest.mark.parametrize("index", range(len(EXAMPLES)))
def test_readme_example_runs(index, capsys):
    exec(compile(EXAMPLES[index], "README example %d" % index, "exec"), {})
