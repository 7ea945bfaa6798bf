"""Stand-in system DLLs (tests/programs/planted_dll.cpp) planted where
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
    stand-in DLLs) beside it, the plants also in WORKDIR/current, the folder
    to start it in."""

    def __init__(self, workdir, program, plants):
        shutil.rmtree(workdir, ignore_errors=True)
        self.workdir = workdir
        self.plants = plants
        self.names = [os.path.basename(p) for p in plants]
        self.program_dir = os.path.join(workdir, "program")
        self.cwd = os.path.join(workdir, "current")
        self.exe = self.place(self.program_dir, program)
        self.place(self.cwd)

    def place(self, folder, program=None):
        """The plants in FOLDER, and a copy of PROGRAM: its path."""
        os.makedirs(folder)
        for plant in self.plants:
            shutil.copy(plant, folder)
        return program and shutil.copy(program, folder)

    def env(self, base=None):
        """BASE (the process's environment) with every plant preferred to
        Wine's own copy."""
        stems = ",".join(os.path.splitext(n)[0] if n.lower().endswith(".dll") else n for n in self.names)
        return dict(base if base is not None else os.environ, WINEDLLOVERRIDES=stems + "=n,b")

    def where(self, name, suffix, folders=PLACES):
        # The loader names a module as the program asked for it ("WSOCK32.DLL").
        wanted = (name + suffix).lower()
        return [where for folder, where in folders
                if any(f.lower() == wanted for f in os.listdir(os.path.join(self.workdir, folder)))]

    def verdicts(self, wine_run, control, *args):
        """(passed, text) for each plant, once the program has run: never
        called, and never loaded unless a copy of CONTROL (a program that
        imports only KnownDLLs and ends by itself with ARGS), run among the
        same plants, loads it too."""
        if not self.names:
            return [(False, "stand-in DLLs to plant were named")]
        exe = self.place(os.path.join(self.workdir, "control"), control)
        subprocess.run([wine_run, exe] + [str(a) for a in args], cwd=os.path.dirname(exe), env=self.env(),
                       timeout=60, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        results = []
        for name in self.names:
            loaded, called = self.where(name, ".loaded"), self.where(name, ".called")
            if self.where(name, ".loaded", [("control", "by the control")]):
                text = "loaded %s as by any program (Wine's own DLLs import it), called %s" % (
                    " and ".join(loaded) or "nowhere", " and ".join(called) or "never")
            else:
                text = "loaded %s" % (" and ".join(loaded) or "never")
                called += loaded
            results.append((not called, "%s planted beside the copy and in its current folder: %s" % (name, text)))
        return results
