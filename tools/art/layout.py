"""Where the editor puts its controls, in surface pixels (1152 x 440).

The artwork is drawn around these positions and the view composer pastes the control bitmaps
at them, so a label that drifts from its control shows up in docs/view-*.png.
"""

SURFACE = (1152, 440)

# Resource ids 101..121 in this order; (file, width, height, frame height).
BITMAPS = [
    ("back.png", 1152, 440, 440),
    ("button.png", 35, 78, 39),
    ("button_led_off.png", 35, 78, 39),
    ("button_led_on.png", 35, 78, 39),
    ("button_small_led_off.png", 23, 47, 23),
    ("button_small_led_on.png", 23, 47, 23),
    ("knob.png", 24, 1560, 24),
    ("handle.png", 15, 19, 19),
    ("digits.png", 21, 320, 32),
    ("digits_small.png", 10, 180, 15),
    ("dot.png", 6, 5, 5),
    ("blind.png", 592, 278, 278),
    ("editor.png", 665, 278, 278),
    ("browse.png", 665, 278, 278),
    ("triangle.png", 29, 34, 17),
    ("ramp.png", 29, 34, 17),
    ("saw.png", 29, 34, 17),
    ("rect.png", 29, 34, 17),
    ("square.png", 29, 34, 17),
    ("learn.png", 48, 48, 24),
    ("unlearn.png", 48, 48, 24),
]

KNOB = 24
KEY = (35, 39)
SMALL_KEY = (23, 23)
WAVE_LED = (29, 17)
BIG_DIGIT = (21, 32)
SMALL_DIGIT = (10, 15)
DOT = (6, 5)
HANDLE = (15, 19)
FADER_TRACK = (269, 345)

CHART_ORIGIN = (496, 95)
EDIT_ORIGIN = (460, 95)
BROWSE_ORIGIN = (460, 95)
CALM_AREA = (460, 95, 1125, 373)
VERSION_RECT = (871, 75, 1127, 87)
MENU_RECT = (792, 48, 840, 72)
LEARN_POS = (792, 24)

# Always-visible controls: (kind, position or rectangle, binding, label on the panel).
TABLE_A = [
    ("knob", (400, 28), 71, "START"),
    ("knob", (437, 28), 72, "STOP"),
    ("knob", (472, 28), 73, "LFO FM"),
    ("knob", (508, 28), 74, "BEND"),
    ("knob", (544, 28), 75, "DEPTH"),
    ("knob", (580, 28), 76, "INIT"),
    ("small", (640, 28), 67, "UPDATE|RATE"),
    ("small", (676, 28), 68, "STEREO|MODE"),
    ("small", (712, 28), 69, "LINKED|LFOs"),
    ("small", (748, 28), 70, "FREQ.|SCALE"),
    ("menu", MENU_RECT, None, "MENU"),
    ("learn", LEARN_POS, -78, ""),
    ("lamp", (326, 100), -86, "PARK/WRITE"),
    ("lamp", (326, 160), -87, "COMPARE"),
    ("lamp", (396, 240), -88, "BROWSE"),
    ("lamp", (396, 316), -93, "EDIT"),
    ("knob", (400, 100), 57, "PITCH"),
    ("display_small", (400, 169, 423, 183), 66, "VOICES"),
    ("slider", 36, 59, "LOWER"),
    ("slider", 76, 60, "UPPER"),
    ("small", (53, 296), -79, "LINK"),
    ("knob", (32, 377), 61, "PAN"),
    ("knob", (72, 377), 62, "PAN"),
    ("display", (43, 98, 87, 130), -80, "VALUE"),
    ("display", (131, 98, 175, 130), -81, "ADDRESS"),
    ("dot", (148, 125), -84, ""),
    ("display", (189, 98, 233, 130), -82, "LOWER PRG"),
    ("dot", (206, 125), -85, ""),
    ("display", (247, 98, 291, 130), -83, "UPPER PRG"),
    ("key", (30, 188), -99, "OFF \u2212"),
    ("key", (66, 188), -100, "ON +"),
] + [("key", (131 + 32 * i, 188), -101 - i, "") for i in range(5)] \
  + [("key", (131 + 32 * i, 240), -106 - i, "") for i in range(5)] + [
    ("lamp", (131, 316), -96, "ADDRESS"),
    ("lamp", (195, 316), -97, "LOWER"),
    ("lamp", (259, 316), -98, "UPPER"),
    ("lamp", (326, 240), -94, "SPLIT"),
    ("lamp", (326, 316), -95, "DOUBLE"),
]
KEYPAD_LABELS = ["1", "2", "3", "4", "5", "6", "7", "8", "9", "0"]

# Chart cells: (left, right, first top, panel numbers).
CELL_W, CELL_H = 56, 19
TABLE_B = [
    (512, 568, 207, list(range(1, 7))),
    (568, 624, 207, list(range(7, 13))),
    (644, 700, 159, list(range(13, 18))),
    (700, 756, 159, list(range(18, 24))),
    (772, 828, 139, list(range(24, 28))),
    (828, 884, 159, list(range(28, 31))),
    (884, 940, 139, list(range(31, 35))),
    (772, 828, 281, list(range(35, 39))),
    (828, 884, 281, list(range(39, 42))),
    (884, 940, 281, list(range(42, 46))),
    (960, 1016, 127, list(range(46, 49))),
    (1016, 1072, 127, list(range(49, 53))),
    (960, 1016, 243, list(range(53, 59))),
    (1016, 1072, 243, list(range(59, 64))),
    (1016, 1072, 338, [12]),
    (644, 700, 299, [64, 65]),
    (700, 756, 299, [66, 67]),
]


def chart_cells():
    """Every chart cell as (panel number, (left, top, right, bottom)) in creation order."""
    cells = []
    for left, right, top, numbers in TABLE_B:
        for i, n in enumerate(numbers):
            y = top + CELL_H * i
            cells.append((n, (left, y, right, y + CELL_H)))
    return cells


# Short names of the panel parameter numbers, as the chart prints them.
PANEL_NAMES = {
    1: "TRI", 2: "SAW", 3: "SQUARE", 4: "\u2192DCO 1", 5: "\u2192DCO 2", 6: "\u2192VCF",
    7: "\u2192VCA", 8: "DELAY", 9: "RATE", 10: "RATE DYN", 11: "DEPTH", 12: "WHEEL",
    13: "ATTACK", 14: "DECAY", 15: "SUSTAIN", 16: "RELEASE", 17: "ATT DYN",
    18: "TRACK", 19: "CUTOFF", 20: "RESO", 21: "ENV", 22: "ENV DYN", 23: "INVERT",
    24: "32'", 25: "16'", 26: "8'", 27: "4'", 28: "TRI", 29: "SAW", 30: "PULSE",
    31: "FREQ", 32: "PW", 33: "PW DYN", 34: "NOISE",
    35: "32'", 36: "16'", 37: "8'", 38: "4'", 39: "TRI", 40: "SAW", 41: "PULSE",
    42: "FREQ", 43: "PW", 44: "PW DYN", 45: "DETUNE",
    46: "ATT DYN", 47: "AMT DYN", 48: "VOLUME", 49: "ATTACK", 50: "DECAY", 51: "SUSTAIN",
    52: "RELEASE",
    53: "TRI", 54: "SAW", 55: "SQUARE", 56: "\u2192DCO 1", 57: "\u2192DCO 2", 58: "\u2192VCF",
    59: "\u2192VCA", 60: "DELAY", 61: "RATE", 62: "RATE DYN", 63: "DEPTH",
    64: "SPLIT", 65: "TRANSP.", 66: "LOWER", 67: "UPPER",
}

# Edit-view controls: (kind, position or rectangle, parameter, label drawn by editor.png).
TABLE_C = [
    ("display_small", (552, 123, 575, 137), 21, "OCTAVE"),
    ("knob", (596, 121), 25, "FREQ"),
    ("led:triangle", (502, 108), 22, ""),
    ("led:ramp", (502, 127), 23, ""),
    ("led:rect", (502, 146), 24, ""),
    ("knob", (684, 121), 26, "PW"),
    ("knob", (728, 121), 27, "PW DYN"),
    ("knob", (640, 121), 28, "NOISE"),
    ("display_small", (552, 203, 575, 217), 29, "OCTAVE"),
    ("knob", (596, 201), 33, "FREQ"),
    ("led:triangle", (502, 188), 30, ""),
    ("led:ramp", (502, 207), 31, ""),
    ("led:rect", (502, 226), 32, ""),
    ("knob", (684, 201), 34, "PW"),
    ("knob", (728, 201), 35, "PW DYN"),
    ("knob", (640, 201), 36, "DETUNE"),
    ("knob", (504, 273), 16, "CUTOFF"),
    ("knob", (504, 325), 17, "RESO"),
    ("small", (728, 273), 20, "INVERT"),
    ("knob", (552, 273), 10, "ATTACK"),
    ("knob", (596, 273), 11, "DECAY"),
    ("knob", (640, 273), 12, "SUSTAIN"),
    ("knob", (684, 273), 13, "RELEASE"),
    ("knob", (552, 325), 14, "ATT DYN"),
    ("knob", (596, 325), 15, "TRACK"),
    ("knob", (640, 325), 18, "ENV"),
    ("knob", (684, 325), 19, "ENV DYN"),
    ("knob", (944, 273), 40, "ATTACK"),
    ("knob", (988, 273), 41, "DECAY"),
    ("knob", (1032, 273), 42, "SUSTAIN"),
    ("knob", (1076, 273), 43, "RELEASE"),
    ("knob", (944, 325), 37, "ATT DYN"),
    ("knob", (1010, 325), 38, "AMT DYN"),
    ("knob", (1076, 325), 39, "VOLUME"),
    ("knob", (808, 113), 5, "DELAY"),
    ("knob", (856, 113), 6, "RATE"),
    ("knob", (904, 113), 8, "DEPTH"),
    ("radio:triangle:1", (805, 154), 0, ""),
    ("radio:ramp:2", (805, 173), 0, ""),
    ("radio:square:3", (805, 192), 0, ""),
    ("knob", (856, 165), 7, "RATE DYN"),
    ("knob", (904, 165), 9, "WHEEL"),
    ("small", (805, 213), 1, "DCO 1"),
    ("small", (840, 213), 2, "DCO 2"),
    ("small", (875, 213), 3, "VCF"),
    ("small", (910, 213), 4, "VCA"),
    ("knob", (986, 113), 49, "DELAY"),
    ("knob", (1034, 113), 50, "RATE"),
    ("knob", (1082, 113), 52, "DEPTH"),
    ("radio:triangle:1", (984, 154), 44, ""),
    ("radio:saw:2", (984, 173), 44, ""),
    ("radio:square:3", (984, 192), 44, ""),
    ("knob", (1034, 165), 51, "RATE DYN"),
    ("knob", (1082, 165), 9, "WHEEL"),
    ("small", (983, 213), 45, "DCO 1"),
    ("small", (1018, 213), 46, "DCO 2"),
    ("small", (1053, 213), 47, "VCF"),
    ("small", (1088, 213), 48, "VCA"),
    ("display_small", (811, 275, 834, 289), 53, "SPLIT"),
    ("display_small", (811, 327, 834, 341), 54, "TRANSP."),
    ("knob", (856, 273), 55, "LOWER VOL"),
    ("knob", (856, 325), 56, "UPPER VOL"),
]

# Browse view.
SOURCE_BUTTONS = [((468, 101), -89, "FACTORY 1"), ((546, 101), -90, "FACTORY 2"),
                  ((620, 101), -91, "FILES")]
FOLDER_RECT = (680, 106, 1114, 122)
ITEM_COLUMNS = [464, 625, 786, 947]
ITEM_TOP, ITEM_H, ITEM_W, ITEM_ROWS = 129, 16, 154, 15
SCROLL_RECT = (1107, 129, 1121, 369)
