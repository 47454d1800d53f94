#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""What brisko-batch's saves cost on ext4, btrfs and XFS, against copying
the same library by hand.

  sudo bench/filesystems_bench.py [--files N] [--build build] [--rounds R]
                                  [--filesystems ext4,btrfs,xfs] [--scratch /var/tmp]
                                  [--flac]

Makes each file system in an image file of its own, loop-mounted (this
needs root), and puts on it the album library of conversion_bench (N MP3
files, 150 by default: about a gigabyte). Every phase starts from a fresh,
unshared copy of the library, flushed to disk, and ends with `sync` of that
file system alone (`sync -f`: other programs' writes elsewhere are not
waited for):
  cp         cp -a --reflink=never of the library to a new folder;
  cp-reflink cp -a --reflink=always (btrfs and XFS share the blocks);
  batch-1, batch-2
             brisko-batch --size 250 --quality 80 with one and two jobs.
Prints each phase's time (the median of R rounds), its time against cp, and
the bytes written to the loop device (from /proc/diskstats) against the
library's size. With --flac, bench/flacogg_bench.py then runs its FLAC
library on btrfs. Needs btrfs-progs and xfsprogs
(`apt-get install btrfs-progs xfsprogs`).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MKFS = {"ext4": ["mkfs.ext4", "-q", "-F"], "btrfs": ["mkfs.btrfs", "-q", "-f"], "xfs": ["mkfs.xfs", "-q", "-f"]}
PACKAGES = {"mkfs.btrfs": "btrfs-progs", "mkfs.xfs": "xfsprogs", "mkfs.ext4": "e2fsprogs"}


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def sectors_written(device):
    """Sectors of 512 bytes written to the block device so far."""
    with open("/proc/diskstats") as stats:
        for line in stats:
            fields = line.split()
            if fields[2] == device:
                return int(fields[9])
    raise RuntimeError("no %s in /proc/diskstats" % device)


def size_of(folder):
    return sum(os.path.getsize(os.path.join(folder, name)) for name in os.listdir(folder))


class Mounted:
    """A file system of its kind in an image file, loop-mounted while in use."""

    def __init__(self, kind, scratch, gigabytes):
        self.folder = tempfile.mkdtemp(prefix="brisko-%s-" % kind, dir=scratch)
        self.image = os.path.join(self.folder, "image")
        self.path = os.path.join(self.folder, "mount")
        os.mkdir(self.path)
        with open(self.image, "wb") as image:
            image.truncate(gigabytes << 30)
        run(*MKFS[kind], self.image)
        run("mount", "-o", "loop", self.image, self.path)
        source = subprocess.run(["findmnt", "-n", "-o", "SOURCE", self.path], check=True,
                                capture_output=True, text=True).stdout.strip()
        self.device = os.path.basename(source)

    def close(self):
        subprocess.run(["umount", self.path], check=False)
        shutil.rmtree(self.folder, ignore_errors=True)


def phase(mount, library, name, batch):
    """One phase from a fresh copy: its seconds and the bytes it wrote."""
    work = os.path.join(mount.path, "work")
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(work + "-cp", ignore_errors=True)
    run("cp", "-a", "--reflink=never", library, work)
    run("sync", "-f", mount.path)
    if name == "cp":
        command = ["cp", "-a", "--reflink=never", work, work + "-cp"]
    elif name == "cp-reflink":
        command = ["cp", "-a", "--reflink=always", work, work + "-cp"]
    else:
        command = [batch, "--size", "250", "--quality", "80", "--jobs", name[-1], work]
    before = sectors_written(mount.device)
    start = time.monotonic()
    finished = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    run("sync", "-f", mount.path)
    seconds = time.monotonic() - start
    written = (sectors_written(mount.device) - before) * 512
    if finished.returncode != 0:
        return None, None, finished.stderr.strip().splitlines()[-1:] or ["failed"]
    return seconds, written, None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--files", type=int, default=150)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--rounds", type=int, default=1, help="rounds of each phase; the median is printed")
    parser.add_argument("--filesystems", default="ext4,btrfs,xfs")
    parser.add_argument("--scratch", default="/var/tmp", help="where the image files go")
    parser.add_argument("--flac", action="store_true", help="also flacogg_bench's FLAC library on btrfs")
    options = parser.parse_args()

    if os.geteuid() != 0:
        sys.exit("filesystems_bench: making and loop-mounting file systems needs root; run it with sudo")
    kinds = options.filesystems.split(",")
    missing = [PACKAGES[MKFS[kind][0]] for kind in kinds if shutil.which(MKFS[kind][0]) is None]
    if missing:
        sys.exit("filesystems_bench: install %s first (apt-get install %s)" % (", ".join(missing), " ".join(missing)))
    batch = os.path.join(options.build, "bin", "brisko-batch")
    maker = os.path.join(options.build, "bin", "conversion_bench")

    host = tempfile.mkdtemp(prefix="brisko-library-", dir=options.scratch)
    try:
        run(maker, "--files", str(options.files), "--dir", host, "--library-only")
        library_source = os.path.join(host, "library")
        total = size_of(library_source)
        print("library  %d files, %.1f MB" % (len(os.listdir(library_source)), total / 1e6))
        print("%-6s %-10s %8s %9s %12s %9s" % ("fs", "phase", "seconds", "x cp", "MB written", "% library"))
        for kind in kinds:
            mount = Mounted(kind, options.scratch, max(5, 5 * total >> 30))
            try:
                library = os.path.join(mount.path, "library")
                run("cp", "-a", "--reflink=never", library_source, library)
                run("sync", "-f", mount.path)
                results = {}
                for name in ("cp", "cp-reflink", "batch-1", "batch-2"):
                    runs = [phase(mount, library, name, batch) for _ in range(options.rounds)]
                    failed = [why for _, _, why in runs if why]
                    if failed:
                        print("%-6s %-10s %s" % (kind, name, "n/a: " + failed[0][0]))
                        continue
                    seconds = statistics.median(seconds for seconds, _, _ in runs)
                    written = statistics.median(written for _, written, _ in runs)
                    results[name] = seconds
                    print("%-6s %-10s %8.2f %9.2f %12.1f %8.1f%%"
                          % (kind, name, seconds, seconds / results["cp"], written / 1e6, 100.0 * written / total))
                    sys.stdout.flush()
                if options.flac and kind == "btrfs":
                    subprocess.run([sys.executable, os.path.join(HERE, "flacogg_bench.py"), "--formats", "flac",
                                    "--batch", batch, "--dir", mount.path], check=False)
            finally:
                mount.close()
    finally:
        shutil.rmtree(host, ignore_errors=True)


if __name__ == "__main__":
    main()
