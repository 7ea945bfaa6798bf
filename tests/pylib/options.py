"""The command line of a test script: the options that its CTest test
passes, each of them required."""
import argparse


def required_options(*names):
    """Parses the command line: each of NAMES ("--wine-run", ...) must be
    given; answers them as attributes ("--wine-run" as .wine_run)."""
    parser = argparse.ArgumentParser()
    for name in names:
        parser.add_argument(name, required=True)
    return parser.parse_args()
