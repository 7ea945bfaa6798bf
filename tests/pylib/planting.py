"""Stand-in system DLLs (tests/programs/planted_dll.c) planted where
Windows' search would find them before the system folder: beside a copy of
a program and in the folder that the program is started in. Each stand-in
writes "<its own path>.loaded" when it is loaded; the version stand-in's
functions write "<its own path>.called" when called.

Wine takes its own copy of a system DLL before a native one, and has no
KnownDLLs: a program run with WINEDLLOVERRIDES=<name>=n,b loads a plant
wherever Windows would, which is what these runs show. Wine's own system
DLLs import some of these names themselves (Wine's user32 imports
version.dll), so such a plant is loaded at the start of every program: a
control program that imports only KnownDLLs, run among the same plants,
shows which; for those only a call into the plant tells that the program
took it."""
import os
import shutil
import subprocess

PLACES = (("program", "beside the program"), ("current", "in the current folder"))


class Planted:
    """A copy of PROGRAM in WORKDIR/program with the PLANTS (paths of the
    stand-in DLLs) and EXTRAS (paths) beside it, the plants also in
    WORKDIR/current, the folder to start it in."""

    def __init__(self, workdir, program, plants, extras=()):
        shutil.rmtree(workdir, ignore_errors=True)
        self.workdir = workdir
        self.program_dir = os.path.join(workdir, "program")
        self.cwd = os.path.join(workdir, "current")
        self.exe = self.place(self.program_dir, program, plants)
        for extra in extras:
            shutil.copy(extra, self.program_dir)
        self.plants = plants
        self.names = [os.path.basename(p) for p in plants]
        os.makedirs(self.cwd)
        for plant in plants:
            shutil.copy(plant, self.cwd)
        self.by_system = None

    @staticmethod
    def place(folder, program, plants):
        os.makedirs(folder)
        for plant in plants:
            shutil.copy(plant, folder)
        return shutil.copy(program, folder)

    def env(self, base=None):
        """BASE (the process's environment) with every plant preferred to
        Wine's own copy."""
        stems = ",".join(os.path.splitext(n)[0] if n.lower().endswith(".dll") else n for n in self.names)
        return dict(base if base is not None else os.environ, WINEDLLOVERRIDES=stems + "=n,b")

    def run_control(self, wine_run, control, *args):
        """Runs a copy of CONTROL (a program that imports only KnownDLLs and
        ends by itself with ARGS) among the same plants: the ones it loads
        are loaded by Wine's own system DLLs, for every program."""
        folder = os.path.join(self.workdir, "control")
        exe = self.place(folder, control, self.plants)
        subprocess.run([wine_run, exe] + [str(a) for a in args], cwd=folder, env=self.env(), timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.by_system = {n for n in self.names if self.marked(folder, n, ".loaded")}

    @staticmethod
    def marked(folder, name, suffix):
        # The loader names a module as the program asked for it ("WSOCK32.DLL").
        wanted = (name + suffix).lower()
        return any(f.lower() == wanted for f in os.listdir(folder))

    def verdicts(self):
        """(passed, text) for each plant: never called, and never loaded
        unless the control program loaded it too."""
        assert self.by_system is not None, "run_control first"
        results = []
        for name in self.names:
            where = lambda suffix: [w for d, w in PLACES if self.marked(os.path.join(self.workdir, d), name, suffix)]
            loaded, called = where(".loaded"), where(".called")
            if name in self.by_system:
                text = "loaded %s as by any program (Wine's own DLLs import it), called %s" % (
                    " and ".join(loaded) or "nowhere", " and ".join(called) or "never")
                passed = not called
            else:
                text = "loaded %s" % (" and ".join(loaded) or "never")
                passed = not loaded and not called
            results.append((passed, "%s planted beside the copy and in its current folder: %s" % (name, text)))
        return results
