#!/usr/bin/env python3
"""Prints the tone curves of image/tone_curves.h: 255 x (level / 255)^gamma,
truncated toward zero, for every level 0 to 255. Python's float power is the
C library's pow, so these are the values the curves had when they were
worked out at run time; tests/image/color_modes_test.cpp checks them
against std::pow.

    python3 tools/tone_curves.py > image/tone_curves.h
"""
import math

CURVES = [("kBrightCurve", 0.5), ("kDarkCurve", 1.5), ("kRoseRedCurve", 0.35), ("kRoseBlueCurve", 0.85)]

print("// Tone curves, 255 x (level / 255)^gamma truncated toward zero, worked")
print("// out once by tools/tone_curves.py so that the program needs no maths")
print("// library (loading one costs every run a share of its start-up).")
print("#ifndef VASTRELMON_IMAGE_TONE_CURVES_H")
print("#define VASTRELMON_IMAGE_TONE_CURVES_H")
print()
print("#include <cstdint>")
print()
print("namespace tone_curves {")
print()
print("constexpr int kLevels = 256;")
for name, gamma in CURVES:
    values = [int(255.0 * math.pow(level * (1.0 / 255.0), gamma)) for level in range(256)]
    print()
    print(f"// gamma {gamma}")
    print(f"constexpr uint8_t {name}[kLevels] = {{")
    for start in range(0, 256, 16):
        print("    " + ", ".join(str(v) for v in values[start:start + 16]) + ",")
    print("};")
print()
print("}  // namespace tone_curves")
print()
print("#endif")
