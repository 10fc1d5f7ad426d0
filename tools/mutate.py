#!/usr/bin/python3
"""How many plausible one-line faults in src/ the test suite catches.

Copies the working tree into a scratch folder, builds it once, then for each
mutant of tools/mutants.txt: puts the fault in, rebuilds, runs ctest, and puts
the original text back. The developer's tree is only read. A mutant whose
anchor text is gone (after a rename, say) is "stale" and left out of the
score, so fix its anchor rather than trust the number.

  /usr/bin/python3 tools/mutate.py                 every mutant
  /usr/bin/python3 tools/mutate.py 'settings.*' numeric.fraction-zeros
  /usr/bin/python3 tools/mutate.py --check         anchors only, no build
  nice /usr/bin/python3 tools/mutate.py -j1 --scratch build-mutate --keep
  /usr/bin/python3 tools/mutate.py --without tst_port_toggle   what the rest catches

Standard library only. Not part of CI: a full run takes a long while.
"""

import argparse
import fnmatch
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MARKER = ".quillar-mutate-scratch"  # only a folder holding it is ever synced or removed


@dataclass
class Mutant:
    name: str
    file: str
    old: str
    new: str
    line: int  # where it starts in the mutant list


@dataclass
class Outcome:
    mutant: Mutant
    result: str  # killed, killed (build), survived, stale, error
    detail: str = ""
    failed: list = field(default_factory=list)
    seconds: float = 0.0


# ---- the mutant list

def load_mutants(path):
    """Blocks of 'name:', 'file:', 'old:' and 'new:' lines, apart by blank lines.
    Old and new text is taken literally; a repeated 'old:' or 'new:' line adds a
    line to it. Lines that start with '#' are comments."""
    mutants, block, start = [], {}, 0

    def finish():
        if not block:
            return
        missing = [k for k in ("name", "file", "old", "new") if k not in block]
        if missing:
            sys.exit(f"{path}:{start}: mutant without {', '.join(missing)}")
        if block["old"] == block["new"]:
            sys.exit(f"{path}:{start}: {block['name']}: old and new are the same")
        mutants.append(Mutant(block["name"], block["file"], block["old"], block["new"], start))
        block.clear()

    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not raw.strip():
            finish()
            continue
        if raw.startswith("#"):
            continue
        key, sep, value = raw.partition(":")
        if not sep or key not in ("name", "file", "old", "new") or (value and not value.startswith(" ")):
            sys.exit(f"{path}:{number}: expected 'name: ', 'file: ', 'old: ' or 'new: '")
        value = value[1:]
        if not block:
            start = number
        if key in ("old", "new"):
            block[key] = block[key] + "\n" + value if key in block else value
        elif key in block:
            sys.exit(f"{path}:{number}: second '{key}' in one mutant (blank line missing?)")
        else:
            block[key] = value.strip()
    finish()

    names = [m.name for m in mutants]
    doubles = sorted({n for n in names if names.count(n) > 1})
    if doubles:
        sys.exit(f"{path}: names used twice: {', '.join(doubles)}")
    for m in mutants:
        if not m.file.startswith("src/"):
            sys.exit(f"{path}:{m.line}: {m.name}: the file must be under src/")
    return mutants


def select(mutants, patterns):
    if not patterns:
        return mutants
    chosen = [m for m in mutants if any(fnmatch.fnmatchcase(m.name, p) for p in patterns)]
    unmatched = [p for p in patterns if not any(fnmatch.fnmatchcase(m.name, p) for m in mutants)]
    if unmatched:
        sys.exit(f"no mutant named {', '.join(unmatched)} (--list shows them)")
    return chosen


def anchor_state(tree, m):
    """None when the anchor is found exactly once, else why it is stale."""
    path = tree / m.file
    if not path.is_file():
        return f"{m.file} is gone"
    count = path.read_text(encoding="utf-8").count(m.old)
    if count == 0:
        return "anchor not found"
    if count > 1:
        return f"anchor found {count} times"
    return None


# ---- the scratch tree

def run(cmd, cwd, log=None):
    proc = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, errors="replace")
    if log is not None:
        log.write(f"$ {' '.join(map(str, cmd))}\n{proc.stdout}\n[exit {proc.returncode}]\n")
        log.flush()
    return proc.returncode, proc.stdout


def sync_tree(scratch):
    """Copies tracked and untracked, not ignored files. A changed file gets the
    time of the copy, so the build sees it as newer than what it built before;
    unchanged files keep theirs and are not built again."""
    rc, out = run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], ROOT)
    if rc:
        sys.exit(f"git ls-files failed in {ROOT}:\n{out}")
    wanted = set()
    for rel in filter(None, out.split("\0")):
        src = ROOT / rel
        if not src.is_file() or src.is_symlink():
            continue  # deleted in the working tree, or a link nothing builds from
        wanted.add(rel)
        dst = scratch / rel
        if dst.is_file() and filecmp.cmp(src, dst, shallow=False):
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(src, dst)
    for dirpath, dirnames, filenames in os.walk(scratch):
        rel_dir = Path(dirpath).relative_to(scratch)
        if rel_dir == Path("."):
            dirnames[:] = [d for d in dirnames if d not in ("build", "logs")]
        for name in filenames:
            rel = str(rel_dir / name) if rel_dir != Path(".") else name
            if rel != MARKER and rel not in wanted:
                os.remove(Path(dirpath) / name)


def prepare_scratch(path):
    if path is None:
        scratch = Path(tempfile.mkdtemp(prefix="quillar-mutate-"))
        scratch.chmod(0o755)  # some tests run as nobody, who must reach their programs
    else:
        scratch = Path(path).resolve()
        if scratch == ROOT or ROOT.is_relative_to(scratch):
            sys.exit("the scratch folder must not hold the working tree")
        if scratch.exists() and any(scratch.iterdir()) and not (scratch / MARKER).exists():
            sys.exit(f"{scratch} exists and is not a scratch folder of this script")
        scratch.mkdir(parents=True, exist_ok=True)
    (scratch / MARKER).touch()
    (scratch / "logs").mkdir(exist_ok=True)
    return scratch


# ---- building and testing

class Runner:
    def __init__(self, scratch, jobs, test_jobs, desktop, without=()):
        self.scratch = scratch
        self.without = list(without)
        self.build_dir = scratch / "build"
        self.jobs = jobs
        self.test_jobs = test_jobs
        self.desktop = desktop

    def configure(self, log):
        # A fault that hangs a test is caught within a minute and a half, not
        # the five minutes a slow machine may need for a whole suite.
        timeout = ["-DQUILLAR_TEST_TIMEOUT=90"]
        if (self.build_dir / "CMakeCache.txt").exists():
            return run(["cmake", self.build_dir] + timeout, self.scratch, log)[0] == 0
        cmd = ["cmake", "-S", self.scratch, "-B", self.build_dir, "-DCMAKE_BUILD_TYPE=Release",
               "-DQUILLAR_BENCH=OFF"] + timeout
        if shutil.which("ninja"):
            cmd += ["-G", "Ninja"]
        return run(cmd, self.scratch, log)[0] == 0

    def build(self, log):
        rc, out = run(["cmake", "--build", self.build_dir, "-j", str(self.jobs)], self.scratch, log)
        return rc == 0, out

    def test(self, log):
        """(ran, failed tests); ran is False when ctest itself went wrong."""
        # The first failure decides, so the rest is not run; a test that fails
        # only once in two runs is a loaded machine, not a caught fault.
        cmd = ["ctest", "--test-dir", self.build_dir, "-j", str(self.test_jobs), "--no-tests=error",
               "--stop-on-failure", "--repeat", "until-pass:2",
               # A mutant is seldom written as clang-format would write it:
               # the format check would catch every one, and its scratch copy
               # is no git checkout for the check to list.
               "-E", "^(" + "|".join(["format"] + [re.escape(t) for t in self.without]) + ")$"]
        if not self.desktop:
            cmd += ["-LE", "desktop"]
        rc, out = run(cmd, self.scratch, log)
        failed = [f"{m.group(1)} ({m.group(2)})" if m.group(2) != "Failed" else m.group(1)
                  for m in re.finditer(r"^\s*\d+ - (\S+) \((.+)\)\s*$", out, re.M)]
        if rc != 0 and not failed:
            return False, []
        return True, failed


def compile_error(out, m):
    """The first compiler error that names the mutated file, if any."""
    for line in out.splitlines():
        if "error" in line and m.file in line:
            return line.split(m.file, 1)[1].lstrip(":0123456789 ")[:100]
    return None


def try_mutant(runner, m):
    started = time.monotonic()
    stale = anchor_state(runner.scratch, m)
    if stale:
        return Outcome(m, "stale", f"{stale} in {m.file} (mutants.txt line {m.line})")
    path = runner.scratch / m.file
    original = path.read_text(encoding="utf-8")
    with open(runner.scratch / "logs" / f"{m.name}.log", "w", encoding="utf-8") as log:
        try:
            path.write_text(original.replace(m.old, m.new, 1), encoding="utf-8")
            built, out = runner.build(log)
            if not built:
                error = compile_error(out, m)
                path.write_text(original, encoding="utf-8")
                if runner.build(log)[0] and error:
                    outcome = Outcome(m, "killed (build)", error)
                else:
                    outcome = Outcome(m, "error", "the build failed for another reason: see its log")
            else:
                ran, failed = runner.test(log)
                if not ran:
                    outcome = Outcome(m, "error", "ctest did not run: see its log")
                else:
                    outcome = Outcome(m, "killed" if failed else "survived", failed=failed)
        finally:
            path.write_text(original, encoding="utf-8")
    outcome.seconds = time.monotonic() - started
    return outcome


# ---- the report

def print_table(outcomes):
    width = max([len(o.mutant.name) for o in outcomes] + [6])
    print(f"\n{'mutant':<{width}}  {'result':<14}  failing test")
    print(f"{'-' * width}  {'-' * 14}  {'-' * 12}")
    for o in outcomes:
        what = ", ".join(o.failed) if o.failed else o.detail
        print(f"{o.mutant.name:<{width}}  {o.result:<14}  {what}")
    killed = sum(o.result.startswith("killed") for o in outcomes)
    by_build = sum(o.result == "killed (build)" for o in outcomes)
    survived = sum(o.result == "survived" for o in outcomes)
    stale = sum(o.result == "stale" for o in outcomes)
    errors = sum(o.result == "error" for o in outcomes)
    scored = killed + survived
    print()
    if scored:
        print(f"Score: {killed} of {scored} mutants killed = {100.0 * killed / scored:.1f} %"
              f" ({by_build} of them by a compile error)")
    else:
        print("Score: no mutant was scored")
    if stale or errors:
        print(f"Left out of the score: {stale} stale, {errors} with errors. Fix their anchors in"
              " tools/mutants.txt or read their logs.")


def main():
    parser = argparse.ArgumentParser(
        description="Applies the mutants of tools/mutants.txt to a scratch copy of the tree and"
                    " reports which ones the tests catch.")
    parser.add_argument("names", nargs="*", help="mutants to run, by name or glob (default: all)")
    parser.add_argument("-j", type=int, default=2, metavar="N", help="build jobs (default 2)")
    parser.add_argument("--test-jobs", type=int, metavar="N", help="ctest jobs (default: as -j)")
    parser.add_argument("--desktop", action="store_true", help="also run the desktop tier (label desktop)")
    parser.add_argument("--without", nargs="+", default=[], metavar="TEST",
                        help="leave these ctest tests out: what does the rest catch without them?")
    parser.add_argument("--mutants", type=Path, default=ROOT / "tools" / "mutants.txt", help="the mutant list")
    parser.add_argument("--scratch", metavar="DIR",
                        help="scratch folder to use and keep; a later run with it rebuilds only what changed")
    parser.add_argument("--keep", action="store_true", help="keep the temporary scratch folder and its logs")
    parser.add_argument("--list", action="store_true", help="print the mutants and stop")
    parser.add_argument("--check", action="store_true",
                        help="check every anchor against the working tree without building; exit 1 if any is stale")
    args = parser.parse_args()
    if args.j < 1 or (args.test_jobs is not None and args.test_jobs < 1):
        parser.error("-j and --test-jobs need at least 1")

    mutants = select(load_mutants(args.mutants), args.names)
    if args.list or args.check:
        stale = 0
        for m in mutants:
            state = anchor_state(ROOT, m) if args.check else None
            stale += state is not None
            print(f"{m.name:<40} {m.file}" + (f"  STALE: {state} (line {m.line})" if state else ""))
        print(f"{len(mutants)} mutants" + (f", {stale} stale" if args.check else ""))
        return 1 if stale else 0

    scratch = prepare_scratch(args.scratch)
    keep = args.keep or args.scratch is not None
    print(f"scratch tree: {scratch}", flush=True)
    try:
        sync_tree(scratch)
        runner = Runner(scratch, args.j, args.test_jobs or args.j, args.desktop, args.without)
        with open(scratch / "logs" / "baseline.log", "w", encoding="utf-8") as log:
            if not runner.configure(log) or not runner.build(log)[0]:
                print(f"the unmutated tree does not build: see {log.name}", file=sys.stderr)
                return 2
            started = time.monotonic()
            ran, failed = runner.test(log)
            if not ran or failed:
                print(f"the unmutated tree fails its tests ({', '.join(failed) or 'ctest error'}):"
                      f" see {log.name}", file=sys.stderr)
                return 2
        print(f"baseline: builds, tests pass in {time.monotonic() - started:.0f} s", flush=True)

        outcomes = []
        for i, m in enumerate(mutants, 1):
            o = try_mutant(runner, m)
            outcomes.append(o)
            what = ", ".join(o.failed) if o.failed else o.detail
            print(f"[{i}/{len(mutants)}] {m.name}: {o.result} {what} ({o.seconds:.0f} s)", flush=True)
        print_table(outcomes)
        if keep:
            print(f"\nlogs: {scratch / 'logs'}")
    finally:
        if not keep:
            shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
