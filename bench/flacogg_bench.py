#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""How fast brisko-batch converts the art of FLAC, Ogg and M4A libraries,
against the script a user could write instead: mutagen to take the picture
out and put it back, Pillow to resize it.

  bench/flacogg_bench.py [--files N] [--formats flac,ogg,opus,m4a] [--runs R]
                         [--batch build/bin/brisko-batch] [--dir FOLDER]

Builds a library of N files per format (FLAC, Ogg Vorbis, Opus, AAC in M4A),
each with a picture of its own (1000 to 1500 pixels), around ffmpeg tones of
30 seconds.
Each phase gets a fresh copy and runs in a process of its own:
  peer      the mutagen + Pillow script, one process, one file after another;
  batch-1, batch-2
            brisko-batch with one and with two jobs;
  rerun     brisko-batch again over batch-2's result: it must write nothing.
Every result is verified: picture 1 is a 250-pixel JPEG as mutagen reads it,
and the other fields are as they were. Prints files per second and each phase
against the peer; with --runs R every phase runs R times on fresh copies and
the median time is printed, as one run on a shared machine says little.
Needs python3-mutagen, python3-pil and ffmpeg.
"""
import argparse
import base64
import io
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from mutagen import File
from mutagen.flac import FLAC, Picture
from mutagen.mp4 import MP4, MP4Cover
from PIL import Image, ImageDraw

FORMATS = {"flac": "flac", "ogg": "libvorbis", "opus": "libopus", "m4a": "aac"}


def art(seed):
    rng = random.Random(seed)
    width = rng.randint(1000, 1500)
    height = rng.randint(1000, 1500)
    image = Image.new("RGB", (width, height), (rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    draw = ImageDraw.Draw(image)
    for _ in range(40):
        box = sorted(rng.randrange(width) for _ in range(2)), sorted(rng.randrange(height) for _ in range(2))
        draw.rectangle((box[0][0], box[1][0], box[0][1], box[1][1]),
                       fill=(rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    data = io.BytesIO()
    image.save(data, "JPEG", quality=92)
    return data.getvalue(), width, height


def picture_of(jpeg, width, height):
    picture = Picture()
    picture.type = 3
    picture.mime = "image/jpeg"
    picture.desc = "Front"
    picture.width, picture.height, picture.depth = width, height, 24
    picture.data = jpeg
    return picture


def pictures(audio):
    if isinstance(audio, FLAC):
        return list(audio.pictures)
    if isinstance(audio, MP4):
        return [picture_of(bytes(cover), 0, 0) for cover in audio.get("covr", [])]
    return [Picture(base64.b64decode(value)) for value in audio.get("metadata_block_picture", [])]


def field(audio, name):
    """The Vorbis comment name of a field, or its MP4 item."""
    return {"title": "\xa9nam", "artist": "\xa9ART"}[name] if isinstance(audio, MP4) else name


def set_pictures(audio, found):
    if isinstance(audio, FLAC):
        audio.clear_pictures()
        for picture in found:
            audio.add_picture(picture)
    elif isinstance(audio, MP4):
        audio["covr"] = [MP4Cover(picture.data, MP4Cover.FORMAT_JPEG) for picture in found]
    else:
        audio["metadata_block_picture"] = [base64.b64encode(p.write()).decode("ascii") for p in found]


def build_library(folder, count, formats):
    tones = {}
    for extension in formats:
        codec = FORMATS[extension]
        tones[extension] = os.path.join(folder, "tone." + extension)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=30",
                        "-c:a", codec, tones[extension], "-y"], check=True)
    library = os.path.join(folder, "library")
    os.makedirs(library)
    for extension in formats:
        for number in range(count):
            path = os.path.join(library, "%s-%03d.%s" % (extension, number, extension))
            shutil.copyfile(tones[extension], path)
            audio = File(path)
            audio[field(audio, "title")] = "Track %d" % number
            audio[field(audio, "artist")] = "Bench"
            set_pictures(audio, [picture_of(*art(hash((extension, number)) & 0xFFFFFFFF))])
            audio.save()
    return library


def peer_convert(path, target=250, quality=80):
    """What a user's script does: picture 1 out, resized, back in, saved."""
    audio = File(path)
    found = pictures(audio)
    if not found:
        return
    first = found[0]
    image = Image.open(io.BytesIO(first.data)).convert("RGB")
    scale = target / max(image.size)
    size = (max(1, round(image.size[0] * scale)), max(1, round(image.size[1] * scale)))
    data = io.BytesIO()
    image.resize(size, Image.LANCZOS).save(data, "JPEG", quality=quality)
    new = picture_of(data.getvalue(), *size)
    new.type, new.desc = first.type, first.desc
    set_pictures(audio, [new] + found[1:])
    audio.save()


def verify(folder):
    failures = 0
    for name in sorted(os.listdir(folder)):
        audio = File(os.path.join(folder, name))
        found = pictures(audio)
        image = Image.open(io.BytesIO(found[0].data)) if found else None
        if (image is None or image.format != "JPEG" or max(image.size) != 250
                or audio[field(audio, "artist")] != ["Bench"] or not audio[field(audio, "title")][0].startswith("Track")):
            failures += 1
    return failures


def fresh_copy(library, folder, name):
    copy = os.path.join(folder, name)
    shutil.copytree(library, copy)
    subprocess.run(["sync"], check=True)
    return copy


def timed(command):
    start = time.monotonic()
    subprocess.run(command, check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--files", type=int, default=150, help="files per format")
    parser.add_argument("--formats", default=",".join(FORMATS), help="which of " + ", ".join(FORMATS))
    parser.add_argument("--batch", default=os.path.join(os.path.dirname(__file__), "..", "build", "bin", "brisko-batch"))
    parser.add_argument("--dir")
    parser.add_argument("--runs", type=int, default=1, help="runs of each phase; the median is printed")
    options = parser.parse_args()

    folder = tempfile.mkdtemp(prefix="flacogg_bench-", dir=options.dir)
    formats = options.formats.split(",")
    library = build_library(folder, options.files, formats)
    files = len(os.listdir(library))
    print("library %4d files (%s) in %s" % (files, ", ".join(formats), library))

    times = {"peer": [], "batch-1": [], "batch-2": []}
    failures = dict.fromkeys(times, 0)
    for run in range(options.runs):
        # The phases take turns, so that a busy spell of the machine falls on all of them.
        for name in times:
            copy = fresh_copy(library, folder, name)
            if name == "peer":
                command = [sys.executable, __file__, "--peer", copy]
            else:
                command = [options.batch, "--size", "250", "--quality", "80", "--jobs", name[-1], copy]
            times[name].append(timed(command))
            failures[name] += verify(copy)
            if name != "batch-2" or run < options.runs - 1:
                shutil.rmtree(copy)
    before = {name: os.stat(os.path.join(copy, name)).st_mtime_ns for name in os.listdir(copy)}
    rerun_seconds = timed([options.batch, "--size", "250", "--quality", "80", "--jobs", "2", copy])
    after = {name: os.stat(os.path.join(copy, name)).st_mtime_ns for name in os.listdir(copy)}
    changed = sum(1 for name in before if before[name] != after[name])

    peer_seconds = statistics.median(times["peer"])
    for name, runs in times.items():
        seconds = statistics.median(runs)
        spread = "  (%.2f to %.2f s)" % (min(runs), max(runs)) if len(runs) > 1 else ""
        print("%-8s %4d files %7.2f s %7.1f files/s  %5.2f x the peer's speed  failures %d%s"
              % (name, files, seconds, files / seconds, peer_seconds / seconds, failures[name], spread))
    print("rerun    %4d files %7.2f s   files written again: %d" % (files, rerun_seconds, changed))
    shutil.rmtree(folder)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--peer":
        for entry in sorted(os.listdir(sys.argv[2])):
            peer_convert(os.path.join(sys.argv[2], entry))
    else:
        main()
