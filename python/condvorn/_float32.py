"""Single-precision values, as the library's records hold them."""
import math
import struct

FLOAT32_MAX = 3.4028234663852886e38
SIGNIFICANT_DIGITS = 9  # always enough to tell two float32 values apart


def fits(value: float) -> bool:
    """True for a finite number that a float32 holds without overflow."""
    return math.isfinite(value) and abs(value) <= FLOAT32_MAX


def rounded(value: float) -> float:
    """`value` rounded to single precision."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def shortest(value: float) -> float:
    """The float32 `value` as the number of its shortest decimal text: its
    repr is 0.1 for the float32 nearest 0.1, not 0.10000000149011612, and it
    rounds back to the same float32."""
    if not fits(value):
        return value
    for digits in range(1, SIGNIFICANT_DIGITS):
        candidate = float(f"{value:.{digits}g}")
        if rounded(candidate) == rounded(value):
            return candidate
    return float(f"{value:.{SIGNIFICANT_DIGITS}g}")
