# The module under test and the command line it must agree with: TCV_PYTHON_PATH names the folder
# holding the built module (<build>/python), CHECKVALVE the program. Without TCV_PYTHON_PATH the module
# is imported from where Python finds it (an installed one).
import os
import subprocess
import sys

import pytest

if os.environ.get("TCV_PYTHON_PATH"):
    sys.path.insert(0, os.environ["TCV_PYTHON_PATH"])


@pytest.fixture(scope="session")
def checkvalve():
    program = os.environ.get("CHECKVALVE")
    if not program:
        pytest.skip("CHECKVALVE names no checkvalve program to compare with")

    def run(*args, expect=0):
        done = subprocess.run([program, *args], capture_output=True, text=True, check=False)
        assert done.returncode == expect, done.stderr
        return done

    return run
