#!/usr/bin/python3
"""Fills a folder with COUNT copies of one song file for the tag listing benchmark: an ID3v2.3 tag
of eight text frames and a 100 KB picture (made with mutagen), some fake audio, an ID3v1 trailer.
Usage: make_tagged_files.py FOLDER COUNT"""
import os
import shutil
import sys

from mutagen.id3 import APIC, COMM, ID3, TALB, TCON, TIT2, TPE1, TRCK, TYER, TCOM

folder, count = sys.argv[1], int(sys.argv[2])
template = os.path.join(folder, "template.bin")
with open(template, "wb") as f:
    f.write(bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(i * 7 & 0xFF for i in range(60000)))
tags = ID3()
tags.add(TIT2(encoding=0, text="Like A Prayer"))
tags.add(TPE1(encoding=0, text="Madonna"))
tags.add(TALB(encoding=0, text="Like A Prayer"))
tags.add(TRCK(encoding=0, text="1/11"))
tags.add(TYER(encoding=0, text="1989"))
tags.add(TCON(encoding=0, text="Pop"))
tags.add(COMM(encoding=0, lang="eng", desc="", text="Benchmark"))
tags.add(TCOM(encoding=0, text="Madonna"))
tags.add(APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=bytes(range(256)) * 400))
tags.save(template, v2_version=3, v1=2)
for i in range(count):
    shutil.copyfile(template, os.path.join(folder, "%02d - Madonna - Song %d.mp3" % (i % 100, i)))
os.remove(template)
