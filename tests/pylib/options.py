"""The command line of a test script: the options that its CTest test
passes, each of them required."""
import argparse


def required_options(*names, repeated=()):
    """Parses the command line: each of NAMES ("--wine-run", ...) must be
    given; each of REPEATED may be given any number of times, as a list.
    Answers them as attributes ("--wine-run" as .wine_run)."""
    parser = argparse.ArgumentParser()
    for name in names:
        parser.add_argument(name, required=True)
    for name in repeated:
        parser.add_argument(name, action="append", default=[])
    return parser.parse_args()
