#!/usr/bin/env python3
"""Times emptying an ads folder three ways in one run, under Wine.

Pellmora (its own cleanup through the real window), the floor (the plain
FindFirstFileW/DeleteFileW/RemoveDirectoryW loop, nothing of Pellmora's) and
cmd's rd, each on a tree made afresh the same way before every timing, in
alternating order. Prints the medians,
the ratios and the time per entry at each size. Run through run.sh, which
sets up Wine and the display.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

FILES = {  # three small files per entry folder, as the stand-in's sample ads
    "ad.htm": b"<html><body><img src=\"banner.gif\"></body></html>\r\n",
    "banner.gif": bytes.fromhex("47494638396101000100800000000000ffffff21f90401000000002c000000000100010000020244013b"),
    "ad.ini": b"[ad]\r\nshown=0\r\n",
}


def make_tree(ads, entries):
    if os.path.lexists(ads):
        shutil.rmtree(ads)
    os.makedirs(ads)
    for i in range(1, entries + 1):
        folder = os.path.join(ads, "ad%06d" % i)
        os.mkdir(folder)
        for name, data in FILES.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


def windows_path(path):
    out = subprocess.run(["winepath", "-w", path], check=True, capture_output=True, text=True).stdout
    return out.strip()


def wine_version():
    return subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()


def run_driver(driver, *args):
    proc = subprocess.run(["wine", driver, *args], capture_output=True, text=True, timeout=3600)
    values = {}
    for line in proc.stdout.splitlines():
        key, _, value = line.strip().partition(" ")
        values[key] = value
    if proc.returncode != 0 or "elapsed_ms" not in values:
        sys.exit("driver %s failed (%d):\n%s%s" % (" ".join(args), proc.returncode, proc.stdout, proc.stderr))
    return values


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", help="the windows build folder")
    parser.add_argument("--large", action="store_true", help="add the 50,000-entry run (several minutes)")
    parser.add_argument("--rounds", type=int, default=3, help="timings of each kind per size")
    parser.add_argument("--kinds", type=lambda v: v.split(","), default=["pellmora", "plain", "rd"],
                        help="which of pellmora,plain,rd to time (all by default)")
    parser.add_argument("--rd-large", action="store_true", help="time rd past 10,000 entries too (very slow)")
    parser.add_argument("--sizes", type=lambda v: [int(x) for x in v.split(",")],
                        help="entry counts to time instead of 1000,10000[,50000]")
    parser.add_argument("--work", default="/tmp",
                        help="where the trees are made (/dev/shm leaves the disk's own delays out)")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    driver = os.path.join(build, "bench", "cleanup", "cleanup_driver.exe")
    pellmora = os.path.join(build, "Pellmora.exe")
    for exe in (driver, pellmora):
        if not os.path.isfile(exe):
            sys.exit("%s is missing: build the windows preset first" % exe)

    sizes = args.sizes or [1000, 10000] + ([50000] if args.large else [])
    work = tempfile.mkdtemp(prefix="pellmora-bench.", dir=args.work)
    try:
        install = os.path.join(work, "Juno Bench")
        ads = os.path.join(install, "ads")
        copy_ads = os.path.join(work, "copy", "ads")
        app = os.path.join(work, "app")
        for folder in (ads, copy_ads, app):
            os.makedirs(folder)
        shutil.copy(pellmora, app)
        with open(os.path.join(app, "Pellmora.ini"), "wb") as f:
            path = windows_path(install) + "\\"
            f.write(b'"[GENERAL]"\r\n"' + path.encode("cp1252") + b'"\r\n0\r\n1\r\n1\r\n1\r\n')
        win_app_exe = windows_path(os.path.join(app, "Pellmora.exe"))
        win_ads = windows_path(ads)
        win_copy_ads = windows_path(copy_ads)

        def pellmora_run(n):
            make_tree(ads, n)
            values = run_driver(driver, "pellmora", win_app_exe)
            if values.get("text") != "Delete Ads Successful." or os.listdir(ads):
                sys.exit("Pellmora left entries: %s" % values.get("text"))
            return float(values["elapsed_ms"])

        def plain_run(n):
            make_tree(ads, n)
            values = run_driver(driver, "plain", win_ads + "\\")
            if values.get("not_deleted") != "0" or os.listdir(ads):
                sys.exit("the plain loop left entries")
            return float(values["elapsed_ms"])

        rd_startup = []

        def rd_run(n):
            make_tree(copy_ads, n)
            values = run_driver(driver, "rd", win_copy_ads)
            if os.path.exists(copy_ads):
                sys.exit("rd left the tree")
            rd_startup.append(float(values["cmd_startup_ms"]))
            # cmd's own start is not part of deleting; take it out.
            return float(values["elapsed_ms"]) - float(values["cmd_startup_ms"])

        kinds = [("pellmora", pellmora_run), ("plain", plain_run), ("rd", rd_run)]
        times = {}
        for n in sizes:
            rounds = args.rounds if n < 50000 else max(1, args.rounds - 1)
            # Wine's rd slows down with the folder's size (about 16 times the
            # time for 10 times the entries): past 10,000 only on request.
            chosen = [k for k in kinds if k[0] in args.kinds and (k[0] != "rd" or n <= 10000 or args.rd_large)]
            times[n] = {name: [] for name, _ in chosen}
            for r in range(rounds):
                order = chosen[r % len(chosen):] + chosen[:r % len(chosen)]  # alternate who goes first
                for name, run in order:
                    times[n][name].append(run(n))
                    print("  %6d entries, round %d, %-8s %9.1f ms" % (n, r + 1, name, times[n][name][-1]), flush=True)

        def ratio(a, b):
            return "%.3f" % (a / b) if a and b else "-"

        def ms(value):
            return "%.1f" % value if value else "-"

        print()
        print("Cleanup of an ads folder: entry folders of three small files each, Wine %s" % wine_version())
        if rd_startup:
            print("rd: cmd /c rd /s /q, less cmd's own start-up (median %.0f ms)" % statistics.median(rd_startup))
        for label, pick in (("median", statistics.median), ("best", min)):
            print()
            print("%s of %d rounds (%d at 50000):" % (label, args.rounds, max(1, args.rounds - 1)))
            print("%8s %12s %12s %12s %14s %12s %11s %11s" % ("entries", "Pellmora ms", "plain ms", "rd ms",
                                                             "Pellmora/plain", "Pellmora/rd", "us/entry P",
                                                             "us/entry p"))
            picked = {n: {name: pick(t) for name, t in times[n].items()} for n in sizes}
            for n in sizes:
                p, b, d = picked[n].get("pellmora"), picked[n].get("plain"), picked[n].get("rd")
                print("%8d %12s %12s %12s %14s %12s %11s %11s" % (n, ms(p), ms(b), ms(d), ratio(p, b), ratio(p, d),
                                                                 ms(p and 1000 * p / n), ms(b and 1000 * b / n)))
            first, last = sizes[0], sizes[-1]
            if last != first and "pellmora" in args.kinds and "plain" in args.kinds:
                print("time per entry at %d / at %d: Pellmora %.3f, plain %.3f" % (
                    last, first, (picked[last]["pellmora"] / last) / (picked[first]["pellmora"] / first),
                    (picked[last]["plain"] / last) / (picked[first]["plain"] / first)))
        if "pellmora" in args.kinds and "plain" in args.kinds:
            # Each round's two timings ran next to each other: their ratio is
            # the least touched by the machine's load drifting during the run.
            print()
            print("Pellmora/plain round by round (each pair timed back to back):")
            for n in sizes:
                pairs = [p / b for p, b in zip(times[n]["pellmora"], times[n]["plain"])]
                print("%8d  %s  median %.3f" % (n, " ".join("%.3f" % r for r in pairs), statistics.median(pairs)))
        print()
        print("Targets: Pellmora/plain <= 1.10 at 10000; Pellmora/rd <= 1.00; time per entry flat")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
