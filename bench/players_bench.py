#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Whether one run of brisko-batch makes a mixed library's art show on
players, and how long it takes.

  bench/players_bench.py [--albums N] [--batch build/bin/brisko-batch] [--dir FOLDER]

Builds N albums in each of the five formats (MP3, FLAC, Ogg Vorbis, Opus,
M4A), three tracks each, around ffmpeg tones of 10 seconds, each album of one
kind: a back cover stored before a 1200-pixel front cover; a CMYK front cover;
a progressive front cover within 250 pixels (made baseline without encoding
it again); an oversized PNG; no picture, with the folder's cover.jpg; no
picture, with a Front.PNG. Then:
  check-before  brisko-batch --check: how many files are not ready;
  convert       brisko-batch --front-cover-first --max-bytes 60K --folder-art;
  rerun         the same again: it must write nothing;
  check-after   brisko-batch --check --max-bytes 60K: every file ready.
Verifies with readers that are not Brisko's: picture 1 of every file is a
front cover (M4A stores no types), a baseline JPEG in YCbCr or grey within
250 pixels and 60 KB (mutagen, Pillow); the progressive ones decode to the very
same pixels as before (Pillow); ffprobe reads every file, flac -t, ogginfo
and opusinfo accept theirs. Prints each phase's time and files per second,
and exits 1 when anything is not as it should be.
Needs python3-mutagen, python3-pil, ffmpeg, flac, vorbis-tools, opus-tools.
"""
import argparse
import base64
import io
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from mutagen import File
from mutagen.flac import Picture
from mutagen.id3 import APIC, ID3
from mutagen.mp4 import MP4, MP4Cover
from PIL import Image

FORMATS = {"mp3": "libmp3lame", "flac": "flac", "ogg": "libvorbis", "opus": "libopus", "m4a": "aac"}
KINDS = ["back-first", "cmyk", "progressive", "png", "cover-jpg", "front-png"]
LIMIT = 60 * 1024


def noise(width, height, mode, seed):
    rng = random.Random(seed)
    image = Image.effect_noise((width, height), 40 + rng.randrange(40))
    image = Image.merge("RGB", [image, image.rotate(90, expand=False), image.transpose(Image.FLIP_LEFT_RIGHT)])
    return image.convert(mode)


def encoded(image, kind, **options):
    data = io.BytesIO()
    image.save(data, kind, **options)
    return data.getvalue()


def pictures_for(kind, seed):
    """(data, mime, type) of the pictures a file of this kind holds, in order."""
    if kind == "back-first":
        return [(encoded(noise(900, 900, "RGB", seed), "JPEG", quality=90), "image/jpeg", 4),
                (encoded(noise(1200, 1200, "RGB", seed + 1), "JPEG", quality=90), "image/jpeg", 3)]
    if kind == "cmyk":
        return [(encoded(noise(600, 600, "CMYK", seed), "JPEG", quality=90), "image/jpeg", 3)]
    if kind == "progressive":
        return [(encoded(noise(240, 240, "RGB", seed), "JPEG", quality=70, progressive=True), "image/jpeg", 3)]
    if kind == "png":
        return [(encoded(noise(1500, 1500, "RGB", seed), "PNG"), "image/png", 3)]
    return []


def tone(path, codec, seconds=10):
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"sine=frequency=440:duration={seconds}",
                    "-c:a", codec, path], check=True)


def embed(path, pictures):
    if not pictures:
        return
    if path.endswith(".mp3"):
        tags = ID3()
        for data, mime, kind in pictures:
            tags.add(APIC(encoding=3, mime=mime, type=kind, desc=f"picture {kind}", data=data))
        tags.save(path)
        return
    if path.endswith(".m4a"):
        audio = MP4(path)
        audio["covr"] = [MP4Cover(data, MP4Cover.FORMAT_PNG if mime == "image/png" else MP4Cover.FORMAT_JPEG)
                         for data, mime, _ in pictures]
        audio.save()
        return
    audio = File(path)
    blocks = []
    for data, mime, kind in pictures:
        picture = Picture()
        picture.data, picture.mime, picture.type, picture.desc = data, mime, kind, f"picture {kind}"
        blocks.append(picture)
    if path.endswith(".flac"):
        for picture in blocks:
            audio.add_picture(picture)
    else:
        audio["METADATA_BLOCK_PICTURE"] = [base64.b64encode(p.write()).decode() for p in blocks]
    audio.save()


def build(root, albums):
    originals = {}
    for ext, codec in FORMATS.items():
        sample = os.path.join(root, f"sample.{ext}")
        tone(sample, codec)
        for album in range(albums):
            kind = KINDS[album % len(KINDS)]
            folder = os.path.join(root, ext, f"{album:03d}-{kind}")
            os.makedirs(folder)
            if kind == "cover-jpg":
                with open(os.path.join(folder, "cover.jpg"), "wb") as out:
                    out.write(encoded(noise(800, 800, "RGB", album), "JPEG", quality=95, progressive=True))
            if kind == "front-png":
                with open(os.path.join(folder, "Front.PNG"), "wb") as out:
                    out.write(encoded(noise(700, 500, "RGB", album), "PNG"))
            pictures = pictures_for(kind, album)
            for track in range(3):
                path = os.path.join(folder, f"{track + 1:02d}.{ext}")
                shutil.copyfile(sample, path)
                embed(path, pictures)
                originals[path] = (kind, pictures)
        os.remove(sample)
    return originals


def first_picture(path):
    """(data, type) of picture 1 as mutagen reads it."""
    audio = File(path)
    if path.endswith(".mp3"):
        frames = audio.tags.getall("APIC") if audio.tags else []
        return (frames[0].data, int(frames[0].type)) if frames else (None, None)
    if path.endswith(".m4a"):
        covers = audio.tags.get("covr", []) if audio.tags else []
        return (bytes(covers[0]), 3) if covers else (None, None)
    if path.endswith(".flac"):
        return (audio.pictures[0].data, audio.pictures[0].type) if audio.pictures else (None, None)
    entries = audio.get("METADATA_BLOCK_PICTURE", [])
    if not entries:
        return None, None
    picture = Picture(base64.b64decode(entries[0]))
    return picture.data, picture.type


def accepted(path):
    """Why an outside reader refuses the file, or None."""
    probe = subprocess.run(["ffprobe", "-v", "error", path], capture_output=True, text=True)
    if probe.returncode != 0 or probe.stderr.strip():
        return "ffprobe: " + probe.stderr.strip()
    checker = {".flac": ["flac", "-t", "-s"], ".ogg": ["ogginfo", "-q"], ".opus": ["opusinfo", "-q"]}
    command = checker.get(os.path.splitext(path)[1])
    if command:
        run = subprocess.run(command + [path], capture_output=True, text=True)
        if run.returncode != 0:
            return f"{command[0]}: {run.stdout.strip()} {run.stderr.strip()}"
    return None


def verify(originals):
    problems = []
    for path, (kind, pictures) in sorted(originals.items()):
        data, kind_stored = first_picture(path)
        if data is None:
            problems.append(f"{path}: no picture")
            continue
        image = Image.open(io.BytesIO(data))
        if kind_stored != 3:
            problems.append(f"{path}: picture 1 is of type {kind_stored}")
        if image.format != "JPEG" or image.info.get("progressive") or image.mode not in ("RGB", "L"):
            problems.append(f"{path}: picture 1 is {image.format} {image.mode} progressive={image.info.get('progressive')}")
        if max(image.size) > 250 or len(data) > LIMIT:
            problems.append(f"{path}: picture 1 is {image.size} and {len(data)} bytes")
        if kind == "progressive":
            before = Image.open(io.BytesIO(pictures[0][0]))
            if before.tobytes() != image.tobytes():
                problems.append(f"{path}: the progressive picture decodes to other pixels")
        if kind == "back-first" and not path.endswith(".m4a"):
            later = File(path)
            if path.endswith(".mp3"):
                back = later.tags.getall("APIC")[1].data
            elif path.endswith(".flac"):
                back = later.pictures[1].data
            else:
                back = Picture(base64.b64decode(later["METADATA_BLOCK_PICTURE"][1])).data
            if back != pictures[0][0]:
                problems.append(f"{path}: the back cover's bytes changed")
        refused = accepted(path)
        if refused:
            problems.append(f"{path}: {refused}")
    return problems


def run(batch, arguments):
    started = time.monotonic()
    done = subprocess.run([batch, "--json"] + arguments, capture_output=True, text=True)
    seconds = time.monotonic() - started
    lines = [json.loads(line) for line in done.stdout.splitlines() if line.strip()]
    return done.returncode, lines, seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--albums", type=int, default=12)
    parser.add_argument("--batch", default=os.path.join(os.path.dirname(__file__), "..", "build", "bin", "brisko-batch"))
    parser.add_argument("--dir")
    options = parser.parse_args()
    root = tempfile.mkdtemp(prefix="players-bench-", dir=options.dir)
    env_home = os.path.join(root, "config")
    os.environ["XDG_CONFIG_HOME"] = env_home
    try:
        library = os.path.join(root, "library")
        os.makedirs(library)
        originals = build(library, options.albums)
        files = len(originals)
        print(f"{files} files in {options.albums * len(FORMATS)} albums")
        failed = False

        code, lines, seconds = run(options.batch, ["--check", library])
        reasons = {}
        for line in lines:
            for reason in line["reasons"]:
                reasons[reason] = reasons.get(reason, 0) + 1
        print(f"check-before  {seconds:6.2f} s  exit {code}, {sum(1 for l in lines if not l['ready'])} not ready: {reasons}")

        arguments = ["--front-cover-first", "--max-bytes", "60K", "--folder-art", library]
        code, lines, seconds = run(options.batch, arguments)
        statuses = {}
        for line in lines:
            statuses[line["status"]] = statuses.get(line["status"], 0) + 1
        lossless = sum(1 for line in lines if "without encoding it again" in line.get("note", ""))
        print(f"convert       {seconds:6.2f} s  {files / seconds:6.1f} files/s  exit {code}: {statuses}, "
              f"{lossless} made baseline without encoding")
        failed |= code != 0

        snapshot = {path: open(path, "rb").read() for path in originals}
        code, lines, seconds = run(options.batch, arguments)
        rewritten = [path for path in originals if open(path, "rb").read() != snapshot[path]]
        print(f"rerun         {seconds:6.2f} s  {files / seconds:6.1f} files/s  exit {code}, "
              f"{len(rewritten)} files written")
        failed |= code != 0 or bool(rewritten)

        code, lines, seconds = run(options.batch, ["--check", "--max-bytes", "60K", library])
        ready = sum(1 for line in lines if line["ready"])
        print(f"check-after   {seconds:6.2f} s  {files / seconds:6.1f} files/s  exit {code}, {ready} of {files} ready")
        for line in lines:
            if not line["ready"]:
                print(f"  {line['file']}: {'; '.join(line['reasons'])} {line.get('error', '')}")
        failed |= code != 0 or ready != files

        problems = verify(originals)
        for problem in problems[:20]:
            print("  " + problem)
        print(f"verified      {files - len({p.split(':')[0] for p in problems})} of {files} files as players need them")
        failed |= bool(problems)
        return 1 if failed else 0
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
