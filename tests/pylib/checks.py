"""Named checks for the end-to-end scripts: each check prints its name with
ok or FAIL and the failed ones are kept, so that a script runs every case
and its end says which broke."""
import subprocess


class Checks:
    def __init__(self, prefix=""):
        self.prefix = prefix    # put before every name, e.g. an indent
        self.failures = []

    def __call__(self, condition, what):
        print(self.prefix + ("ok   " if condition else "FAIL ") + what, flush=True)
        if not condition:
            self.failures.append(what)
        return condition

    def ended(self, proc, what, seconds=20):
        """Checks that PROC ends with exit code 0 within SECONDS; a process
        still running then is killed."""
        try:
            rc = proc.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            rc = None
        return self(rc == 0, what + ": ends with exit code 0 (got %r)" % rc)

    def status(self):
        """Prints the count of failures; answers the script's exit code."""
        print("%d failure(s)" % len(self.failures))
        return 1 if self.failures else 0
