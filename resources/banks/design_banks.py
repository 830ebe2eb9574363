#!/usr/bin/env python3
"""Source of truth for the two factory banks.

Writes bank1.txt and bank2.txt (the bank compiler's input) next to this file. Every program starts
from a family template (piano, brass, strings, organ, ...) and is then shaped for its name. Run:

    python3 resources/banks/design_banks.py          # rewrite both .txt files
    python3 resources/banks/design_banks.py --check  # fail if the .txt files are out of date
    build/tests/bank_levels_tests > sheet.txt        # play every program, print the level sheet
    python3 resources/banks/design_banks.py --calibrate sheet.txt  # rebalance levels.json, rewrite

After a change, `ninja pellory-update-banks` refreshes the committed .syx images.

How the 0..63 values sound (44.1 kHz, default globals), to keep the numbers honest:
- Envelope stage time: 3 ms at 0, 82 ms at 16, 0.33 s at 24, 0.66 s at 28, 1.2 s at 32, 2.4 s at 40,
  4.8 s at 48, 7 s at 52, 18 s at 63. Decays fall to -20 dB at about 60 % of the stage time.
- Cutoff: each step is about 2 semitones; with "VCF Track" 32 the filter follows the keyboard 1:1 and
  sits at about note 31 + 2 * cutoff for C4 (cutoff 20 = 500 Hz, 30 = 1.6 kHz, 40 = 5 kHz).
  Each step of "VCF Envelope" adds about 2 semitones at the envelope's peak.
- Resonance self-oscillates from about 57.
- LFO rate: 12 = 1 Hz, 20 = 3.9 Hz, 23 = 5.4 Hz, 25 = 6.4 Hz, 30 = 8.8 Hz, 35 = 13 Hz.
  Pitch depth: 63 = +-5 semitones, so 2..3 is a vibrato and 13 a whole-tone trill.
  LFO delay uses the envelope times (28 = 0.66 s, 32 = 1.2 s).
- "DCO 2 Detune" 63 pulls the two oscillators +-25 cents apart; 6..16 is a chorus.
- Octave "16'" is the key's own pitch, "32'" an octave below, "8'" and "4'" one and two above.
"""

import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
LEVELS_FILE = os.path.join(HERE, "levels.json")

# Loudness balance. The designs give each program a starting "VCA Program Volume"; the final
# volumes (and the Combis' layer levels) in levels.json come from playing every program
# (bank_levels_tests prints the level sheet) and scaling each towards TARGET_LUFS, integrated
# loudness on a phrase that suits it (repeated notes for struck sounds, a held chord for the
# rest), unless a full-velocity six-note chord would then pass PEAK_LIMIT_DBTP. A program whose
# comment says "Level exception:" keeps its level (effects and deliberately quiet sounds).
TARGET_LUFS = -23.0
# Bank 1's first Combi keeps the layer levels 28/28 it has always had (programs and hosts know
# it by them); its loudness is within the balance as it is.
FIXED_LEVELS = {("bank1.txt", 76)}
PEAK_LIMIT_DBTP = -2.0  # a decibel under the ceiling: a struck chord's peak varies from strike to strike

# id, name, short key, minimum, maximum, default, enumeration texts
PARAMS = [
    (0, "LFO 1 Waveform", "l1w", 0, 3, 1, "lfo"),
    (1, "LFO 1 to DCO 1", "l1d1", 0, 1, 1, None),
    (2, "LFO 1 to DCO 2", "l1d2", 0, 1, 1, None),
    (3, "LFO 1 to VCF", "l1f", 0, 1, 0, None),
    (4, "LFO 1 to VCA", "l1a", 0, 1, 0, None),
    (5, "LFO 1 Delay", "l1del", 0, 63, 0, None),
    (6, "LFO 1 Rate", "l1rate", 0, 63, 25, None),
    (7, "LFO 1 Rate Dynamic", "l1rdyn", 0, 63, 0, None),
    (8, "LFO 1 Depth", "l1dep", 0, 63, 0, None),
    (9, "LFO 1+2 Wheel Amount", "wheel", 0, 63, 0, None),
    (10, "VCF Attack", "fa", 0, 63, 0, None),
    (11, "VCF Decay", "fd", 0, 63, 0, None),
    (12, "VCF Sustain", "fs", 0, 63, 0, None),
    (13, "VCF Release", "fr", 0, 63, 1, None),
    (14, "VCF Attack Dynamic", "fadyn", 0, 63, 0, None),
    (15, "VCF Track", "track", 0, 63, 32, None),
    (16, "VCF Cutoff", "cut", 0, 63, 63, None),
    (17, "VCF Resonance", "res", 0, 63, 0, None),
    (18, "VCF Envelope", "env", 0, 63, 0, None),
    (19, "VCF Envelope Dynamic", "envdyn", 0, 63, 0, None),
    (20, "VCF Invert Envelope", "inv", 0, 1, 0, None),
    (21, "DCO 1 Octave", "o1", 0, 3, 1, "oct"),
    (22, "DCO 1 Triangle", "tri1", 0, 1, 0, None),
    (23, "DCO 1 Sawtooth", "saw1", 0, 1, 1, None),
    (24, "DCO 1 Pulse", "pul1", 0, 1, 0, None),
    (25, "DCO 1 Frequency", "f1", 0, 11, 0, None),
    (26, "DCO 1 Pulse Width", "pw1", 0, 30, 15, None),
    (27, "DCO 1 Pulse Width Dynamic", "pwd1", 0, 63, 0, None),
    (28, "DCO 1 Noise", "noise", 0, 63, 0, None),
    (29, "DCO 2 Octave", "o2", 0, 3, 1, "oct"),
    (30, "DCO 2 Triangle", "tri2", 0, 1, 0, None),
    (31, "DCO 2 Sawtooth", "saw2", 0, 1, 1, None),
    (32, "DCO 2 Pulse", "pul2", 0, 1, 0, None),
    (33, "DCO 2 Frequency", "f2", 0, 11, 0, None),
    (34, "DCO 2 Pulse Width", "pw2", 0, 30, 15, None),
    (35, "DCO 2 Pulse Width Dynamic", "pwd2", 0, 63, 0, None),
    (36, "DCO 2 Detune", "det", 0, 63, 0, None),
    (37, "VCA Attack Dynamic", "aadyn", 0, 63, 0, None),
    (38, "VCA Amount Dynamic", "vdyn", 0, 63, 0, None),
    (39, "VCA Program Volume", "vol", 0, 63, 32, None),
    (40, "VCA Attack", "a", 0, 63, 0, None),
    (41, "VCA Decay", "d", 0, 63, 0, None),
    (42, "VCA Sustain", "s", 0, 63, 63, None),
    (43, "VCA Release", "r", 0, 63, 1, None),
    (44, "LFO 2 Waveform", "l2w", 0, 3, 1, "lfo"),
    (45, "LFO 2 to DCO 1", "l2d1", 0, 1, 0, None),
    (46, "LFO 2 to DCO 2", "l2d2", 0, 1, 0, None),
    (47, "LFO 2 to VCF", "l2f", 0, 1, 1, None),
    (48, "LFO 2 to VCA", "l2a", 0, 1, 0, None),
    (49, "LFO 2 Delay", "l2del", 0, 63, 0, None),
    (50, "LFO 2 Rate", "l2rate", 0, 63, 25, None),
    (51, "LFO 2 Rate Dynamic", "l2rdyn", 0, 63, 0, None),
    (52, "LFO 2 Depth", "l2dep", 0, 63, 0, None),
]
ENUMS = {"lfo": ["Off", "Triangle", "Saw Up", "Square"], "oct": ["32'", "16'", "8'", "4'"]}
KEY = {p[2]: p for p in PARAMS}
OCT = {"32'": 0, "16'": 1, "8'": 2, "4'": 3}
LFO = {"Off": 0, "Triangle": 1, "Saw Up": 2, "Square": 3}

BANK1_NAMES = [
    "PIANO", "ELECTRIC PIANO", "BRASS 1", "BOWED VIOLINS", "MARIMBA", "ORGAN 1", "PIPE FLUTE 1",
    "ACOUSTIC GUITAR", "HI-RES. SYNTH", "SYNDRUM", "BRIGHT PIANO", "CLAVINET", "BRASS 2", "BOWED CELLOS",
    "XYLOPHONE", "ORGAN 2", "PIPE FLUTE 2-WHISTLE", "ACOUSTIC PHASED GUITAR", "TWANG", "HELICOPTER",
    "WURLITZER ELECTRIC PIANO", "HARPSICHORD", "ENSEMBLE BRASS", "SOLO TO ENSEMBLE STRINGS", "STEEL DRUM",
    "SYNTH ORGAN", "CLARINETS", "KOTO", "HOLLOW", "EERIE", "DIGITAL PIANO", "HONKY TONK PIANO",
    "SYNTH BRASS", "TOUCH SENSITIVE TIMBRE STRINGS", "SYNTH BELLS 1", "PIPE ORGAN", "DOUBLE REED", "BANJO",
    "ANIMATED", "EXPLOSION", "CALIMBA SYNTH PIANO", "BACKWARDS PIANO", "ENGLISH HORN", "STRINGS-BRASS",
    "SYNTH BELLS 2", "JAZZ PERCUSSIVE ORGAN", "DIRTY REEDS", "SLAP", "SWEEP", "PULSE",
    "RECTANGULAR SYNTH PIANO", "HARPO", "BRASS 5th", "PIZZICATO (PLUCKED) STRINGS", "SYNTH BELLS 3",
    "HAMMOND PERCUSSION", "HARMONICA", "ORGAN BASS PEDAL-SQUARE LEAD", "QUICKIE", "OSCILLATIONS",
    "MELLOW WOW", "MALE SPACE CHOIR", "FEMALE SPACE CHOIR", "MELLOW STRINGS", "DIGITAL PAD",
    "SOLEMN ORGAN", "DISTANT FLUTE", "LEAD 1 (SAWTOOTH)", "LEAD 2 (RECTANGUL.)", "LEAD 3 (SQUARE)",
    "SOLO BRASS", "CLICK", "UPPER OCTIVE PERCUSSION", "LOWER OCTIVE PERCUSSION", "ORGAN 5th PERCUSSION",
    "CHOP BRASS -- COMB", "REEDS -- COMB", "CHOP FLUTE -- COMB", "ORGAN BRASS -- COMB",
    "XYLO BRASS -- COMB", "HAMMOND B 3 -- COMB", "CHOP GUITAR -- COMB", "BRASS 5th -- COMB",
    "ETHERIAL 1 -- COMB", "ETHERIAL 2 -- COMB", "PIANO SYNTH BRASS -- COMB", "SLAP WHISTLE -- COMB",
    "OCTIVE BRASS -- COMB", "CLAVINET-ORGAN -- SPLIT", "ORGAN-CLAVINET -- SPLIT",
    "PHASED GUITAR-BRASS -- SPLIT", "BRASS-STRINGS -- SPLIT", "CALIMBA SYNTH PIANO-DIGITAL",
    "EERIE-EERIE 1 -- SPLIT", "WURLITZER ELECTRIC PIANO-SYNTH BELLS -- SPLIT",
    "DOUBLE REED-CLARINET -- SPLIT", "GUITAR-HARMONICA -- SPLIT", "PHASE GUITAR-HOLLOW -- SPLIT",
    "ORGAN BASS-JAZZ ORGAN -- SPLIT",
]
BANK2_NAMES = [
    "ELECTRIC GRAND", "BRASS 1", "DIGITAL PIANO", "BOWED STRINGS", "ELECTRIC PIANO 1",
    "VELOCITY CONTR. PULSE", "CHURCH ORGAN", "GUITAR 1", "RESONANCE SWEEP", "FUNK TOUCH 1",
    "BRIGHT PIANO", "SLOW BRASS", "DIGITAL PIANO 2", "STRINGS 1", "ELECTRIC PIANO 2", "PULSE DECAY",
    "JAZZ ORGAN 1", "GUITAR 2", "SAWTOOTH BACKGROUND", "FUNK TOUCH 2", "CLAVICHORD", "BRASS 3",
    "DIGITAL PIANO 3", "VELOCITY CONTROLLED STRINGS", "ELECTRONIC PIANO 3", "CLAVINET",
    "VELOCITY CONTROLLED LESLIE ORGAN", "SHIFTED GUITAR", "SAWTOOTH BACKGROUNG W. DYNAMIC ATTACK",
    "FUNK TOUCH 3", "HARP", "FAST BRASS 4", "CALIMBA SYNTH PIANO", "VELOCITY CONTROLLED SOFT STRINGS",
    "FLUTE", "SEQUENCER BASS", "TOY SISTRON", "CLASSIC GUITAR", "MALE SPACE CHOIR", "FUNK TOUCH 4",
    "SQUARE PIANO BASS", "SOFT BRASS WITH RELEASE", "ELECTRONIC TOMS", "STRINGS 3", "TRUMPET",
    "SAWTOOTH DECAY 1 WITH DYNAMIC", "MALLET BELL 1", "LUTE", "FEMALE SPACE CHOIR", "MODULATED GHOST",
    "CALLIOPE", "HARMONICA", "DIGITAL PERCUSSION 2", "NOISE CLAPS", "LEAD SYNTH 1", "PULSE DECAY 2",
    "KNOCK ON WOOD", "MALLET BELL 2", "SOLO TO ENSEMBLE STRINGS", "DELAYED GHOST",
    "HELICOPTER-AMBULANCE", "SAWTOOTH DECAY", "DYNAMIC DIGITAL REPEAT", "INVERTED BACKGROUND", "KOTO",
    "PULSE DECAY 3", "SPILLO TRILLO", "MALLET BELL 3", "DIGITAL ATTACK", "DIGITAL BELL LOW",
    "DIGITAL BELL HIGH", "SINUS TONE", "MALLET HARMONIC 1", "DARK WOOD TONE", "MALLET HARMONIC 2",
    "DIGITAL BELL", "VIBRAPHONE", "MARIMBA", "SAWTOOTH DECAY + SQUARE PIANO BASS",
    "JAZZ ORGAN + MALLET BELL 1", "DELAYED GHOST + PULSE DECAY 3", "KOTO + DIGITAL PIANO 1", "CARILLON",
    "DIGITAL PIANO + DIGITAL PIANO 2", "MALE SPACE CHOIR + ELECTRONIC PIANO 3",
    "VELOCITY CONTR. STRINGS + BRIGHT PIANO", "DIGITAL PERCUSSION 2 + CLAVICHORD",
    "MALLET HARMONIC 2 + KNOCK ON WOOD", "SAWTOOTH DECAY 1 - ELECTRIC PIANO 1",
    "SEQUENCER BASS - FAST BRASS 4", "FUNK TOUCH 4 - RESONANCE SWEEP", "CLASSIC GUITAR - FLUTE",
    "SQUARE PIANO BASS - HARP", "FUNK TOUCH 3 - SPILLO TRILLO", "CLAVICHORD - FLUTE",
    "FUNK TOUCH 4 - FUNK TOUCH 2", "MALLET HARMONICS 2 - KNOCK ON WOOD", "ELECTRONIC TOMS - NOISE CLAPS",
    "SOLO TO ENSEMBLE STRINGS - STRINGS 1",
]


# ---------------------------------------------------------------------------------------------
# Building blocks. A program is a dict of short keys; "w1"/"w2" give each DCO's waveforms as a
# string of T (triangle), S (sawtooth) and P (pulse), "" for a silent oscillator.

def dcos(w1="S", w2="S", o1="16'", o2="16'", **kw):
    return dict(w1=w1, w2=w2, o1=o1, o2=o2, **kw)


def no_lfo():
    return dict(l1dep=0, l2dep=0)


def vibrato(depth=2, rate=23, delay=28, wheel=0):
    """LFO 1 on both oscillators, faded in after the attack."""
    return dict(l1w="Triangle", l1d1=1, l1d2=1, l1f=0, l1a=0, l1dep=depth, l1rate=rate, l1del=delay,
                wheel=wheel)


def lfo2(target, depth, rate, wave="Triangle", delay=0, rdyn=0):
    """LFO 2 on one destination: 'vcf', 'vca', 'dco' (both) or 'dco2'."""
    return dict(l2w=wave, l2d1=int(target == "dco"), l2d2=int(target in ("dco", "dco2")),
                l2f=int(target == "vcf"), l2a=int(target == "vca"), l2dep=depth, l2rate=rate, l2del=delay,
                l2rdyn=rdyn)


def amp(a, d, s, r):
    return dict(a=a, d=d, s=s, r=r)


def filt(cut, env=0, fa=0, fd=0, fs=0, fr=None, res=0, track=32, envdyn=0):
    return dict(cut=cut, env=env, fa=fa, fd=fd, fs=fs, fr=fr, res=res, track=track, envdyn=envdyn)


def merge(*parts, **kw):
    out = {}
    for p in parts:
        out.update(p)
    out.update(kw)
    return out


# Family templates. Each returns a complete design that the per-program tweaks then shape.

def piano(**kw):
    # Struck and left to ring: no sustain, long natural decay, brightness and level follow velocity.
    return merge(dcos("S", "P", pw2=10), dict(det=6), filt(24, env=22, fd=44, track=40, envdyn=30),
                 amp(0, 50, 0, 26), dict(vdyn=28, vol=40), no_lfo(), kw)


def epiano(**kw):
    # Soft bell-like tine: triangle body plus a thin pulse an octave up, gentle tremolo.
    return merge(dcos("T", "P", o2="8'", pw2=6), dict(det=4), filt(24, env=12, fd=38, track=36, envdyn=34),
                 amp(0, 46, 0, 24), dict(vdyn=34, vol=50), no_lfo(), lfo2("vca", 8, 21), kw)


def pluck(**kw):
    # Guitar family: a bright pluck that darkens quickly and dies away.
    return merge(dcos("S", "P", pw2=8), dict(det=6), filt(20, env=28, fd=34, track=40, envdyn=30),
                 amp(0, 44, 0, 22), dict(vdyn=28, vol=42), no_lfo(), kw)


def mallet(**kw):
    # Struck bars: mostly triangle, short decay, nothing held.
    return merge(dcos("T", "T", o2="4'"), filt(24, env=18, fd=22, track=44), amp(0, 30, 0, 24),
                 dict(vdyn=30, vol=52), no_lfo(), kw)


def bell(**kw):
    # Metallic partials from two pulses a fifth apart, slightly detuned, very long decay.
    return merge(dcos("P", "P", o1="8'", o2="8'", pw1=6, pw2=9, f2=7), dict(det=10),
                 filt(40, env=10, fd=40, track=40), amp(0, 50, 0, 42), dict(vdyn=24, vol=34), no_lfo(), kw)


def organ(**kw):
    # Keyed on and off: instant attack, full sustain, short release, steady tone.
    return merge(dcos("P", "P", o2="8'", pw1=15, pw2=15), filt(40, track=32), amp(0, 0, 63, 10),
                 dict(vol=28), no_lfo(), kw)


def brass(**kw):
    # Slightly slow swell, filter opening ahead of the level, vibrato arriving late.
    return merge(dcos("S", "S"), dict(det=10), filt(18, env=30, fa=20, fd=30, fs=40, fr=20, res=6, track=36),
                 amp(12, 30, 54, 20), dict(vdyn=16, vol=32), vibrato(2, 23, 30), lfo2("vcf", 0, 10), kw)


def strings(**kw):
    # Bowed: slow swell and release, saws an octave apart and detuned (a section rather than one
    # player; a unison pair would pump as the two cancel), delayed vibrato.
    return merge(dcos("S", "S", o2="8'"), dict(det=16), filt(28, env=6, fa=30, fd=36, fs=50, fr=30, track=36),
                 amp(28, 40, 63, 30), dict(vol=36), vibrato(2, 24, 32), lfo2("vcf", 0, 10), kw)


def pad(**kw):
    # Choirs and backgrounds: slow attack, long release, slow filter movement.
    return merge(dcos("P", "S", pw1=12), dict(det=20), filt(18, res=18, track=36), amp(30, 40, 63, 36),
                 dict(vol=40), vibrato(2, 22, 28), lfo2("vcf", 6, 8), kw)


def wind(**kw):
    # Flutes and reeds: breath-fast attack, held tone, delayed vibrato.
    return merge(dcos("P", "T", pw1=15, o2="8'"), dict(det=4), filt(24, env=8, fa=10, fd=30, fs=40, track=40),
                 amp(14, 30, 63, 16), dict(vdyn=12, vol=40), vibrato(2, 22, 28), lfo2("vcf", 0, 10), kw)


def lead(**kw):
    # Monophonic-style lead: bright, immediate, vibrato after a moment.
    return merge(dcos("S", "S"), dict(det=14), filt(38, env=10, fd=30, fs=40, res=14, track=40),
                 amp(2, 30, 63, 16), dict(vol=30), vibrato(3, 24, 30), lfo2("vcf", 0, 10), kw)


def bass(**kw):
    # Low: sounds an octave below the key, punchy filter envelope.
    return merge(dcos("S", "P", o1="32'", o2="16'", pw2=12), filt(14, env=30, fd=24, fs=10, res=20, track=20),
                 amp(0, 32, 30, 12), dict(vdyn=24, vol=42), no_lfo(), kw)


def noise_fx(**kw):
    # Noise only: both oscillators silent.
    return merge(dcos("", ""), dict(noise=63), filt(30, track=0), amp(0, 0, 63, 30), dict(vol=44), no_lfo(), kw)


# ---------------------------------------------------------------------------------------------
# Bank 1

def bank1():
    P = {}
    P[1] = ("Grand piano: saw and pulse, filter and level decay together.",
            piano())
    P[2] = ("Tine piano with a touch of tremolo.", epiano())
    P[3] = ("Classic brass swell; the filter opens just ahead of the level.", brass())
    P[4] = ("Violins: bright chorused saws, slow bow, late vibrato.",
            strings(cut=32, det=18, o2="8'", vol=32))
    P[5] = ("Wooden bar: triangle with its fourth partial two octaves up, short ring.",
            mallet(cut=22, d=30, vol=54))
    P[6] = ("Drawbar-style organ: square and square an octave up.", organ())
    P[7] = ("Pipe flute: triangle with a breath of noise and a gentle delayed vibrato.",
            wind(w1="T", w2="", noise=6, cut=26, env=6, a=16, r=18, vol=58))
    P[8] = ("Steel-string guitar pluck.", pluck())
    P[9] = ("Bright resonant synth with an octave-up saw and slow filter drift.",
            merge(dcos("S", "S", o2="8'"), dict(det=12), filt(40, env=14, fd=28, fs=30, res=30, track=40),
                  amp(0, 36, 50, 24), dict(vol=26), no_lfo(), lfo2("vcf", 6, 12)))
    # The oscillators' pitch cannot follow an envelope (the LFOs run freely, so a ramp would fall
    # or jump at random), but a filter that rings on its own sings at its cutoff: the decaying
    # filter envelope sweeps that ringing tone down, the drum's falling pitch.
    P[10] = ("Electronic drum: a self-oscillating filter struck by noise, its pitch falling with the filter envelope.",
             merge(dcos("", ""), dict(noise=12), filt(14, env=8, fd=20, res=60, track=32, envdyn=30),
                   amp(0, 24, 0, 20), dict(vdyn=36, vol=56), no_lfo()))
    P[11] = ("Brighter piano: more open filter, octave-up pulse.",
             piano(cut=32, env=20, o2="8'", pw2=8, vol=34))
    P[12] = ("Clavinet: narrow pulses, resonant bite that closes fast.",
             merge(dcos("P", "P", pw1=5, pw2=8, o2="8'"), filt(28, env=26, fd=22, fs=10, res=20, track=40,
                   envdyn=30), amp(0, 32, 10, 12), dict(vdyn=52, vol=34), no_lfo()))
    P[13] = ("Brighter brass with an octave-up saw.", brass(o2="8'", cut=22, env=28, fa=16, a=10, det=12))
    P[14] = ("Cellos: darker and lower-pitched bowing, wider vibrato.",
             strings(cut=24, det=14, a=30, vol=40, l1dep=3, l1rate=22))
    P[15] = ("Xylophone: hard, high and short.",
             mallet(o1="8'", w2="P", pw2=10, cut=32, env=16, fd=16, d=28, r=18, vol=40))
    P[16] = ("Organ with a bright four-foot and a slight rotary shimmer.",
             organ(w1="S", w2="P", o2="4'", cut=36, vol=28, l1dep=1, l1rate=30))
    P[17] = ("High whistle: triangle an octave up, faster, wider vibrato.",
             wind(w1="T", w2="", o1="8'", noise=10, cut=34, env=4, a=12, r=16, vol=60, l1dep=3, l1rate=25,
                  l1del=20))
    P[18] = ("Guitar phasing against a strongly detuned second oscillator.",
             pluck(det=34, vol=40, **lfo2("vcf", 8, 10)))
    P[19] = ("Resonant twangy pluck.",
             pluck(w1="P", pw1=6, w2="S", cut=16, res=40, env=36, fd=26, d=36, r=20, vol=34))
    P[20] = ("Rotor chop on filtered noise; the square LFO gates the level.",
             noise_fx(cut=28, res=30, a=10, r=30, vol=56,
                      **merge(dict(l1w="Square", l1d1=0, l1d2=0, l1f=0, l1a=1, l1dep=60, l1rate=27),
                              lfo2("vcf", 20, 6))))
    P[21] = ("Reed electric piano: pulse bark with a tremolo.",
             epiano(w1="P", pw1=12, w2="T", cut=24, env=20, fd=30, d=42, r=20, vol=40,
                    **lfo2("vca", 12, 24)))
    P[22] = ("Harpsichord: thin pulse and octave saw, no touch response.",
             merge(dcos("P", "S", pw1=4, o2="8'"), filt(40, env=16, fd=30, track=40), amp(0, 38, 0, 16),
                   dict(vol=28), no_lfo()))
    P[23] = ("Brass section: wide detune and a slow filter sway.",
             brass(det=24, cut=20, vol=30, **lfo2("vcf", 4, 14)))
    # One player: the two saws start in tune. Over about six seconds two slow LFOs fade in, each
    # pulling one oscillator its own way, and the filter opens: the player becomes a section.
    P[24] = ("Starts as one player; delayed LFOs pull the two oscillators apart into a section.",
             strings(o2="16'", det=0, l1d1=0, l1d2=1, l1dep=5, l1rate=18, l1del=50, a=26, fa=44, fd=40, fs=63,
                     env=8, **dict(l2w="Triangle", l2d1=1, l2d2=0, l2f=0, l2a=0, l2dep=4, l2rate=14, l2del=50)))
    P[25] = ("Steel pan: triangles at the fundamental and the twelfth, resonant ring.",
             merge(dcos("T", "T", o2="8'", f2=7), filt(26, env=20, fd=26, res=30, track=40),
                   amp(0, 36, 0, 24), dict(vdyn=26, vol=50), no_lfo()))
    P[26] = ("Synth organ: square and octave saw, a touch of resonance and vibrato.",
             organ(w1="P", w2="S", cut=34, res=10, vol=28, **vibrato(1, 26, 0)))
    P[27] = ("Clarinets: hollow square wave with a soft octave, woody and dark.",
             wind(cut=22, env=8, vol=42))
    P[28] = ("Koto: plucked, nasal and resonant.",
             pluck(w1="P", pw1=6, w2="S", cut=26, res=20, env=28, fd=26, d=36, r=22, vol=36, vdyn=54))
    P[29] = ("Hollow: square and an octave triangle through a low resonant filter.",
             merge(dcos("P", "T", o2="8'"), dict(det=6), filt(20, res=24, track=36), amp(18, 36, 50, 30),
                   dict(vol=46), no_lfo(), lfo2("vcf", 6, 12)))
    P[30] = ("Eerie: warbling detuned tones behind a slowly moving resonant filter.",
             merge(dcos("T", "S", o2="8'"), dict(det=40), filt(24, res=45, track=36), amp(30, 40, 50, 40),
                   dict(vol=34), vibrato(6, 8, 30), lfo2("vcf", 18, 6)))
    P[31] = ("Digital piano: pulse with an octave triangle, clean decay.",
             piano(w1="P", pw1=10, w2="T", o2="8'", cut=30, env=22, fd=34, d=44, r=24, vol=38))
    P[32] = ("Honky tonk: piano with its two oscillators pulled out of tune.",
             piano(det=44, cut=28, vol=38))
    P[33] = ("Synth brass: punchy filter envelope with resonance.",
             brass(det=16, cut=16, res=16, env=34, fa=18, fd=28, fs=24, a=8, s=56, vol=30))
    P[34] = ("Strings whose brightness follows the key velocity.",
             strings(cut=24, env=20, envdyn=50, fa=28, vdyn=20))
    P[35] = ("Bells: pulses a fifth apart, long ring.", bell())
    P[36] = ("Pipe organ: full chorus with a slow speak and hall-like release.",
             organ(w1="S", w2="P", cut=34, a=6, r=22, vol=26))
    P[37] = ("Double reed: nasal narrow pulse against a saw.",
             wind(w1="P", pw1=5, w2="", cut=26, res=20, env=10, vol=34))
    P[38] = ("Banjo: bright snappy pluck.",
             pluck(w1="P", pw1=6, o2="8'", cut=28, env=28, fd=20, d=36, r=14, vol=34))
    P[39] = ("Animated: a falling sawtooth LFO makes the resonant filter pulse.",
             merge(dcos("S", "S"), dict(det=20), filt(22, res=30, track=36), amp(10, 40, 63, 30),
                   dict(vol=30), no_lfo(), lfo2("vcf", 20, 18, wave="Saw Up")))
    P[40] = ("Explosion: a noise burst with a low rumbling tail and crackle.",
             noise_fx(cut=16, env=28, fd=44, res=20, a=0, d=48, s=0, r=40, vol=60,
                      **merge(dict(l1w="Square", l1d1=0, l1d2=0, l1f=0, l1a=1, l1dep=12, l1rate=36),
                              lfo2("vcf", 10, 4))))
    P[41] = ("Kalimba: triangle tines with a quick, dark decay.",
             mallet(w2="T", o2="8'", f2=0, cut=26, env=16, fd=18, d=34, r=20, vol=54))
    P[42] = ("Reversed piano: level and brightness swell in, then stop short.",
             piano(fa=30, fd=16, env=24, a=30, d=16, s=0, r=10, vdyn=10, vol=42))
    P[43] = ("English horn: reedy pulse pair, a little resonance.",
             wind(w1="P", pw1=8, cut=24, res=12, vol=36))
    P[44] = ("Strings and brass together: brassy attack, string swell.",
             strings(cut=24, env=18, fa=20, fd=32, fs=40, a=18, det=14, res=6))
    P[45] = ("Bells: triangle and a fourth above, an octave higher, gentle shimmer.",
             bell(w1="T", w2="P", pw2=8, o1="8'", o2="8'", f2=5, det=14, d=52, vol=42, **lfo2("vca", 6, 22)))
    P[46] = ("Jazz organ: the filter envelope adds a percussive click to a gated organ.",
             organ(w1="P", w2="P", o2="4'", cut=30, env=18, fd=22, fs=0, vol=30))
    P[47] = ("Dirty reeds: buzzing pulse and saw with breath noise.",
             wind(w1="P", pw1=6, w2="S", det=30, noise=8, cut=28, res=20, a=8, r=14, vol=30))
    P[48] = ("Slap bass: hard resonant attack, quick settle.",
             bass(cut=14, env=36, fd=20, fs=6, res=24, d=34, s=20, vdyn=30, vol=42))
    P[49] = ("Sweep: resonant saws, filter swept by a slow envelope and LFO.",
             merge(dcos("S", "S"), dict(det=14), filt(14, env=30, fa=36, fd=40, fs=20, fr=34, res=46, track=32),
                   amp(6, 40, 63, 34), dict(vol=28), no_lfo(), lfo2("vcf", 36, 8)))
    P[50] = ("Pulse: two narrow pulses slightly detuned, open filter.",
             merge(dcos("P", "P", pw1=8, pw2=9), dict(det=10), filt(40, track=32), amp(0, 30, 63, 14),
                   dict(vol=28), no_lfo()))
    P[51] = ("Piano made of square waves.",
             piano(w1="P", pw1=15, w2="P", pw2=10, o2="8'", cut=28, vol=34))
    P[52] = ("Harp-like: soft pluck with a long release.",
             pluck(w1="T", w2="S", o2="8'", cut=24, env=20, fd=30, d=42, r=34, vol=44))
    P[53] = ("Brass in fifths: DCO 2 seven semitones up.", brass(f2=7, det=6, vol=30))
    P[54] = ("Pizzicato: plucked chorused strings.",
             pluck(w1="S", w2="S", det=12, cut=22, env=20, fd=24, d=32, r=20, vol=40, vdyn=56, envdyn=40))
    P[55] = ("Bells: detuned fifths with a slow shimmer.",
             bell(pw1=4, det=30, res=20, vol=34, **lfo2("vca", 8, 14)))
    P[56] = ("Hammond-style percussion: organ with a decaying brightness on every key.",
             organ(w1="P", w2="T", o2="8'", f2=7, cut=24, env=22, fd=20, vol=32))
    P[57] = ("Harmonica: reedy, breathy vibrato that the wheel deepens.",
             wind(w1="P", pw1=10, w2="S", cut=28, res=18, a=10, r=12, vol=34, **vibrato(2, 26, 24, 30)))
    P[58] = ("Pedal bass in the low keys, square lead above: key tracking brightens the top.",
             organ(w1="P", w2="P", o1="32'", o2="16'", cut=20, track=48, vol=34, **vibrato(2, 24, 30)))
    P[59] = ("Quickie: a short resonant blip. Level exception: a blip this short has little loudness for its peak.",
             merge(dcos("S", "", o1="8'"), filt(20, env=36, fd=14, res=30, track=32), amp(0, 20, 0, 10),
                   dict(vdyn=20, vol=44), no_lfo()))
    P[60] = ("Oscillations: fast square LFO trills DCO 2 while the filter swings.",
             merge(dcos("P", "S"), filt(26, res=36, track=32), amp(4, 30, 63, 24), dict(vol=30),
                   dict(l1w="Square", l1d1=0, l1d2=1, l1f=0, l1a=0, l1dep=12, l1rate=30, l1del=0),
                   lfo2("vcf", 20, 14)))
    P[61] = ("Mellow wow: the filter slowly opens on each note.",
             merge(dcos("S", "T"), filt(16, env=26, fa=28, fd=34, fs=10, fr=28, res=24, track=32),
                   amp(10, 40, 56, 28), dict(vol=36), no_lfo()))
    P[62] = ("Male choir: dark, slow, breathing filter.", pad())
    P[63] = ("Female choir: an octave up, brighter.", pad(o1="8'", o2="8'", cut=22, res=24, vol=38))
    P[64] = ("Mellow strings: soft chorused saws, no filter envelope.",
             strings(cut=22, env=0, det=14, a=30, r=34, vol=42))
    P[65] = ("Digital pad: narrow pulse over saw, slow filter movement.",
             pad(w1="P", pw1=6, o1="8'", w2="S", cut=28, res=14, a=28, r=38, vol=34, **lfo2("vcf", 8, 10)))
    P[66] = ("Solemn organ: square with a sub-octave, dark, slow speak.",
             organ(w1="P", w2="P", o2="32'", cut=28, a=10, r=24, vol=32))
    P[67] = ("Distant flute: muffled, soft attack, long tail.",
             wind(w1="T", w2="", noise=12, cut=20, env=4, a=22, r=34, vol=62, l1del=30))
    P[68] = ("Sawtooth lead.", lead())
    P[69] = ("Rectangular lead: narrow pulses.", lead(w1="P", pw1=7, w2="P", pw2=9, cut=40, vol=30))
    P[70] = ("Square lead with an octave-up square.",
             lead(w1="P", pw1=15, w2="P", pw2=15, o2="8'", cut=36, res=10, vol=30))
    P[71] = ("Solo brass: one bright voice with expressive vibrato.",
             brass(w2="P", pw2=10, o2="8'", det=4, cut=22, env=30, a=10, vol=32, l1dep=3, wheel=24))
    P[72] = ("Click: a short percussive tick. Level exception: a tick has almost no loudness for its peak.",
             merge(dcos("P", "", o1="8'", pw1=8), dict(noise=30), filt(40, env=20, fd=10, track=32),
                   amp(0, 10, 0, 6), dict(vol=50), no_lfo()))
    P[73] = ("Percussive tone an octave up, for layering.",
             merge(dcos("P", "T", o1="8'", o2="4'"), filt(34, env=14, fd=24, track=36), amp(0, 28, 0, 14),
                   dict(vdyn=20, vol=34), no_lfo()))
    P[74] = ("Percussive tone an octave down, for layering.",
             merge(dcos("P", "T", o1="32'", o2="16'"), filt(24, env=20, fd=26, track=36), amp(0, 30, 0, 16),
                   dict(vdyn=20, vol=38), no_lfo()))
    P[75] = ("Percussive organ tone with a fifth.",
             merge(dcos("P", "P", f2=7), filt(30, env=16, fd=24, track=36), amp(0, 26, 0, 14),
                   dict(vdyn=16, vol=34), no_lfo()))

    C = {}
    # Double layers for the "-- COMB" sounds.
    C[76] = ("Brass with a low percussive attack.", ("BRASS 1", "LOWER OCTIVE PERCUSSION", "Double", 1, 25, 28, 28))
    C[77] = ("Reed section: double reed and clarinets.", ("DOUBLE REED", "CLARINETS", "Double", 1, 25, 30, 30))
    C[78] = ("Flute with a percussive octave chiff.", ("PIPE FLUTE 1", "UPPER OCTIVE PERCUSSION", "Double", 1, 25, 30, 24))
    C[79] = ("Organ and brass.", ("ORGAN 1", "BRASS 2", "Double", 1, 25, 26, 30))
    C[80] = ("Xylophone strike over brass.", ("XYLOPHONE", "BRASS 2", "Double", 1, 25, 28, 28))
    C[81] = ("Tonewheel organ with its percussion.", ("ORGAN 2", "HAMMOND PERCUSSION", "Double", 1, 25, 30, 26))
    C[82] = ("Guitar with a low percussive attack.", ("ACOUSTIC GUITAR", "LOWER OCTIVE PERCUSSION", "Double", 1, 25, 30, 24))
    C[83] = ("Brass in fifths over plain brass.", ("BRASS 5th", "BRASS 1", "Double", 1, 25, 28, 28))
    # No "ETHERIAL" single exists: choirs with bells.
    C[84] = ("Ethereal: female choir with bells (no single is called ETHERIAL).", ("FEMALE SPACE CHOIR", "SYNTH BELLS 1", "Double", 1, 25, 28, 30))
    C[85] = ("Ethereal: male choir with shimmering bells (no single is called ETHERIAL).", ("MALE SPACE CHOIR", "SYNTH BELLS 2", "Double", 1, 25, 28, 30))
    C[86] = ("Piano doubled with synth brass.", ("PIANO", "SYNTH BRASS", "Double", 1, 25, 30, 26))
    C[87] = ("Slap bass with a whistle on top.", ("SLAP", "PIPE FLUTE 2-WHISTLE", "Double", 1, 25, 30, 24))
    # The octave comes from BRASS 2's octave-up saw against BRASS 1.
    C[88] = ("Brass in octaves: BRASS 2 carries the octave-up saw.", ("BRASS 1", "BRASS 2", "Double", 1, 25, 26, 26))
    # Splits at C3 unless the pair asks for another point.
    C[89] = ("Clavinet below C3, organ above.", ("CLAVINET", "ORGAN 1", "Split", 25, 25, 34, 24))
    C[90] = ("Organ below C3, clavinet above.", ("ORGAN 2", "CLAVINET", "Split", 25, 25, 26, 36))
    C[91] = ("Phased guitar below, brass above.", ("ACOUSTIC PHASED GUITAR", "BRASS 1", "Split", 25, 25, 32, 30))
    C[92] = ("Brass below, strings above (MELLOW STRINGS, the plainest string section of the bank).", ("BRASS 1", "MELLOW STRINGS", "Split", 25, 25, 30, 32))
    # The name is cut short: the second half is the bank's DIGITAL PIANO.
    C[93] = ("Kalimba below, digital piano above: the name is cut short, DIGITAL means DIGITAL PIANO.", ("CALIMBA SYNTH PIANO", "DIGITAL PIANO", "Split", 25, 25, 28, 28))
    # There is one EERIE: the upper half plays it an octave higher.
    C[94] = ("EERIE below, the same EERIE an octave up above (the bank has one EERIE).", ("EERIE", "EERIE", "Split", 25, 37, 28, 28))
    C[95] = ("Electric piano below C4, bells above.", ("WURLITZER ELECTRIC PIANO", "SYNTH BELLS 1", "Split", 37, 25, 32, 30))
    C[96] = ("Double reed below, CLARINETS above.", ("DOUBLE REED", "CLARINETS", "Split", 25, 25, 32, 28))
    C[97] = ("Guitar below, harmonica above.", ("ACOUSTIC GUITAR", "HARMONICA", "Split", 25, 25, 32, 30))
    C[98] = ("Phased guitar below, hollow lead above.", ("ACOUSTIC PHASED GUITAR", "HOLLOW", "Split", 25, 25, 32, 28))
    C[99] = ("Pedal bass below C3, jazz organ above.", ("ORGAN BASS PEDAL-SQUARE LEAD", "JAZZ PERCUSSIVE ORGAN", "Split", 25, 25, 24, 28))
    return P, C


# ---------------------------------------------------------------------------------------------
# Bank 2

def bank2():
    P = {}
    P[1] = ("Electric grand: piano body with an octave pulse for the amplified edge.",
            piano(o2="8'", pw2=10, det=8, cut=28, env=22, fd=42, vol=36))
    P[2] = ("Brass section swell, rounder than bank 1's: pulse against saw, a little resonance.",
            brass(w2="P", pw2=12, det=12, cut=20, res=10, a=10))
    P[3] = ("Digital piano: pulse and octave triangle, clean and glassy.",
            piano(w1="P", pw1=8, w2="T", o2="8'", cut=32, env=20, fd=36, d=44, r=24, vol=38))
    P[4] = ("Bowed strings.", strings())
    P[5] = ("Electric piano: tine and octave pulse, slower and deeper tremolo.",
            epiano(pw2=8, cut=24, **lfo2("vca", 12, 18)))
    P[6] = ("The key velocity sets the pulse width and the brightness.",
            merge(dcos("P", "P", pw1=22, pw2=20, pwd1=44, pwd2=40), dict(det=8),
                  filt(26, env=24, fd=30, fs=20, track=36, envdyn=40), amp(0, 36, 50, 18), dict(vdyn=30, vol=32),
                  no_lfo()))
    P[7] = ("Church organ: full registration, slow speak, long hall release.",
            organ(w1="S", w2="P", o2="8'", cut=36, a=8, r=26, vol=26))
    P[8] = ("Guitar: saw and narrow pulse, crisp pick.", pluck(pw2=8, cut=22, env=30, fd=32, d=46))
    P[9] = ("Resonance sweep: the filter rises slowly on every note and keeps sweeping.",
            merge(dcos("S", "S"), dict(det=10), filt(12, env=40, fa=30, fd=40, fs=20, fr=30, res=50, track=32),
                  amp(0, 40, 63, 30), dict(vol=28), no_lfo(), lfo2("vcf", 24, 6)))
    # The FUNK TOUCH programs: a strongly resonant filter rings loudest where the soft notes leave
    # it, near the fundamental, so the level's own touch has to be the stronger one.
    P[10] = ("Funk: touch-sensitive resonant filter snap.",
             merge(dcos("S", "P", pw2=10), filt(14, env=34, fd=22, fs=10, res=30, track=32, envdyn=34),
                   amp(0, 30, 40, 12), dict(vdyn=63, vol=34, own_touch=1), no_lfo()))
    P[11] = ("Bright piano: saws an octave apart, open filter.", piano(w2="S", o2="8'", cut=34, env=18, vol=34))
    P[12] = ("Slow brass: long swell.", brass(a=24, fa=28, d=32, vol=32))
    P[13] = ("Digital piano, second voicing: thin octave pulse over a square.",
             piano(w1="P", pw1=15, w2="P", pw2=6, o2="8'", cut=30, env=20, fd=36, d=44, r=24, vol=36))
    P[14] = ("Strings, first set.", strings(det=14, cut=28))
    P[15] = ("Electric piano, brighter with a faster tremolo.",
             epiano(w2="P", pw2=8, cut=26, env=18, vol=46, **lfo2("vca", 10, 24)))
    P[16] = ("Decaying pulses.",
             merge(dcos("P", "P", pw1=10, pw2=12), dict(det=8), filt(26, env=20, fd=34, track=36),
                   amp(0, 36, 0, 22), dict(vdyn=20, vol=36), no_lfo()))
    P[17] = ("Jazz organ: softer key click than bank 1's, with a gentle chorus vibrato.",
             organ(w1="P", w2="T", o2="4'", cut=30, env=12, fd=20, vol=30, **vibrato(1, 27, 0)))
    P[18] = ("Guitar, darker with a longer ring.", pluck(w1="S", w2="T", cut=18, env=26, d=44, r=26, vol=46))
    P[19] = ("Sawtooth background: slow, wide, chorused.",
             merge(dcos("S", "S", o2="8'"), dict(det=20), filt(24, track=32), amp(26, 40, 63, 36), dict(vol=32),
                   vibrato(1, 22, 30), lfo2("vcf", 4, 9)))
    P[20] = ("Funk, second voicing: pulse bite.",
             merge(dcos("P", "P", pw1=8, pw2=12), filt(16, env=32, fd=20, fs=14, res=28, track=32, envdyn=34),
                   amp(0, 30, 44, 12), dict(vdyn=63, vol=34, own_touch=1), no_lfo()))
    P[21] = ("Clavichord: thin, delicate, touch-sensitive.",
             merge(dcos("P", "", pw1=6), filt(26, env=24, fd=26, track=40, envdyn=30), amp(0, 36, 0, 10),
                   dict(vdyn=40, vol=48), no_lfo()))
    P[22] = ("Brass, third voicing: brighter and faster.", brass(cut=22, env=28, fa=14, a=8, det=14, o2="8'"))
    P[23] = ("Digital piano, third voicing: octave pulse and saw.",
             piano(w1="S", w2="P", pw2=8, o2="8'", cut=26, env=24, fd=38, d=44, vol=36))
    P[24] = ("Strings that play louder and brighter with velocity.",
             strings(vdyn=40, envdyn=40, env=16, cut=26))
    P[25] = ("Electronic piano: reedy pulse bark with a quick tremolo.",
             epiano(w1="P", pw1=10, w2="T", cut=26, env=20, fd=30, d=42, r=20, vol=40, **lfo2("vca", 14, 26)))
    P[26] = ("Clavinet: thinner and more resonant than bank 1's, for funk comping.",
             merge(dcos("P", "P", pw1=3, pw2=6, o2="8'"), filt(26, env=28, fd=20, fs=8, res=28, track=40,
                   envdyn=36), amp(0, 30, 8, 10), dict(vdyn=58, vol=34), no_lfo()))
    P[27] = ("Rotary organ: vibrato and tremolo; harder playing spins the rotor faster.",
             organ(w1="P", w2="S", cut=30, env=10, fs=63, envdyn=50,
                   **merge(dict(l1w="Triangle", l1d1=1, l1d2=1, l1f=0, l1a=0, l1dep=1, l1rate=30, l1rdyn=50),
                           lfo2("vca", 18, 30, rdyn=50))))
    P[28] = ("Guitar with DCO 2 shifted up a fifth.", pluck(f2=7, det=4, vol=38))
    P[29] = ("Sawtooth background whose attack speeds up with velocity.",
             merge(dcos("S", "S", o2="8'"), dict(det=20), filt(24, track=32), amp(30, 40, 63, 36), dict(aadyn=56, vol=32),
                   vibrato(1, 22, 30), lfo2("vcf", 4, 9)))
    P[30] = ("Funk, third voicing: saw with a touch-controlled wah.",
             merge(dcos("S", "S", o2="8'"), dict(det=6), filt(12, env=36, fd=24, fs=6, res=40, track=32,
                   envdyn=50), amp(0, 30, 36, 12), dict(vdyn=20, vol=32), no_lfo()))
    P[31] = ("Harp: soft pluck, long ring and release.",
             pluck(w1="T", w2="S", o2="8'", cut=22, env=20, fd=32, d=44, r=36, vol=46))
    P[32] = ("Fast brass: hard, short attack.", brass(a=4, fa=8, fd=24, cut=22, env=30, vol=30))
    P[33] = ("Kalimba with a metallic narrow pulse in the tine.",
             mallet(w2="P", pw2=8, o2="8'", cut=24, env=18, fd=16, d=38, r=20, vol=50))
    P[34] = ("Soft strings: velocity sets level and attack speed.",
             strings(cut=20, env=12, a=30, aadyn=30, vdyn=40, vol=42))
    P[35] = ("Flute: brighter, less breathy, with a livelier delayed vibrato.",
             wind(w1="T", w2="T", o2="8'", noise=3, cut=30, env=6, a=14, r=18, vol=56, l1dep=3, l1rate=24))
    P[36] = ("Sequencer bass: tight, resonant, an octave down.",
             bass(cut=12, env=30, fd=22, fs=4, res=30, d=28, s=46, r=10, vol=40))
    P[37] = ("Toy sistrum: high jingling metal, shaken by a fast square LFO.",
             merge(dcos("P", "P", o1="4'", o2="4'", pw1=4, f2=6), dict(det=30, noise=16),
                   filt(40, env=10, fd=20, res=20, track=32), amp(0, 32, 0, 20), dict(vol=32), no_lfo(),
                   lfo2("vca", 40, 38, wave="Square")))
    P[38] = ("Nylon guitar: soft triangle and saw.",
             pluck(w1="T", w2="S", cut=20, env=18, fd=32, d=40, vol=48, vdyn=58))
    P[39] = ("Male choir: deeper and darker than bank 1's, with a sub-octave.",
            pad(o2="32'", cut=16, res=22, a=32, vol=40))
    P[40] = ("Funk, fourth voicing: snappy resonant pulse.",
             merge(dcos("P", "S", pw1=6), filt(14, env=36, fd=18, fs=8, res=12, track=32, envdyn=20),
                   amp(0, 28, 30, 10), dict(vdyn=63, vol=32, own_touch=1), no_lfo()))
    P[41] = ("Square bass with a piano-like decay.",
             merge(dcos("P", "P", o1="32'", o2="16'", pw1=15, pw2=15), filt(16, env=20, fd=30, track=20),
                   amp(0, 40, 0, 16), dict(vdyn=24, vol=42), no_lfo()))
    P[42] = ("Soft brass with a long release.", brass(cut=16, env=22, a=16, fa=24, r=34, fr=34, vol=36))
    # As bank 1's SYNDRUM: the falling pitch is the ringing filter swept down by its envelope.
    P[43] = ("Electronic toms: a ringing filter swept down, with a triangle at the key for the drum's body.",
             merge(dcos("T", ""), dict(noise=8), filt(16, env=7, fd=22, res=60, track=32, envdyn=24),
                   amp(0, 30, 0, 20), dict(vdyn=30, vol=56), no_lfo()))
    P[44] = ("Strings, third set: darker, wider.", strings(cut=24, det=22, a=32, r=32))
    P[45] = ("Trumpet: one bright brass voice with vibrato.",
             brass(w2="P", pw2=10, o2="8'", det=4, cut=24, env=30, fa=14, a=10, vol=32, l1dep=3))
    P[46] = ("Decaying saws; velocity sets level and brightness.",
             merge(dcos("S", "S"), dict(det=10), filt(22, env=24, fd=36, track=36, envdyn=40), amp(0, 38, 0, 20),
                   dict(vdyn=40, vol=32), no_lfo()))
    P[47] = ("Mallet bell.", bell(w1="T", w2="P", o1="8'", o2="4'", f2=0, pw2=8, det=4, d=42, vol=44))
    P[48] = ("Lute: nasal pluck.", pluck(w1="P", pw1=8, w2="T", cut=22, env=24, d=36, vol=42, vdyn=52))
    P[49] = ("Female choir: brighter, quicker to speak, wider vibrato.",
            pad(o1="8'", o2="8'", cut=24, res=26, a=26, vol=38, l1dep=3))
    P[50] = ("Ghost: detuned triangles moaning through a moving resonant filter.",
             merge(dcos("T", "T", o2="8'"), dict(det=30), filt(20, res=40, track=32), amp(30, 40, 63, 40),
                   dict(vol=40), vibrato(4, 10, 0), lfo2("vcf", 20, 8)))
    P[51] = ("Calliope: steam-whistle square with breath and fast vibrato.",
             organ(w1="P", w2="T", o1="8'", noise=6, cut=34, vol=36, **vibrato(3, 28, 0)))
    P[52] = ("Harmonica: reedier than bank 1's, vibrato from the first moment (the wheel deepens it).",
            wind(w1="P", pw1=7, w2="S", cut=30, res=22, a=8, r=12, vol=34, **vibrato(2, 27, 16, 36)))
    P[53] = ("Digital percussion: resonant metallic blip.",
             merge(dcos("P", "T", o1="8'", f2=5), filt(20, env=30, fd=14, res=30, track=32), amp(0, 28, 0, 14),
                   dict(vdyn=30, vol=40), no_lfo()))
    P[54] = ("Claps: filtered noise burst.",
             noise_fx(cut=56, res=10, a=0, d=26, s=0, r=14, vol=63, **lfo2("vca", 30, 40, wave="Square")))
    P[55] = ("Lead synth.", lead(w2="P", pw2=9, cut=36, vol=30))
    P[56] = ("Decaying pulses, second voicing: octave apart.",
             merge(dcos("P", "P", pw1=6, pw2=12, o2="8'"), dict(det=6), filt(28, env=18, fd=30, track=36),
                   amp(0, 34, 0, 20), dict(vdyn=20, vol=34), no_lfo()))
    P[57] = ("Knock on wood: a short hollow knock that rings just long enough to be heard beside its neighbours.",
             merge(dcos("T", "T", o1="8'", o2="16'"), dict(noise=10), filt(28, env=8, fd=16, res=36, track=32),
                   amp(0, 27, 0, 10), dict(vdyn=24, vol=56), no_lfo()))
    P[58] = ("Mallet bell with vibraphone tremolo.",
             bell(w1="T", w2="T", o1="16'", o2="4'", f2=0, det=2, cut=30, env=12, d=44, vol=50,
                  **lfo2("vca", 44, 20)))
    P[59] = ("Starts as one player; later, slower LFOs pull the two oscillators apart into a section.",
             strings(o2="16'", det=0, cut=30, l1d1=0, l1d2=1, l1dep=5, l1rate=16, l1del=52, a=24, fa=46, fd=40, fs=63,
                     env=8, **dict(l2w="Triangle", l2d1=1, l2d2=0, l2f=0, l2a=0, l2dep=4, l2rate=12, l2del=52)))
    P[60] = ("Ghost whose moaning only starts after the note has settled.",
             merge(dcos("T", "T", o2="8'"), dict(det=30), filt(20, res=40, track=32), amp(30, 40, 63, 40),
                   dict(vol=40), vibrato(5, 10, 40), lfo2("vcf", 20, 8, delay=38)))
    P[61] = ("Siren over a rotor chop: square LFO on pitch, another on level.",
             merge(dcos("S", "S"), dict(noise=30, det=10), filt(30, res=20, track=20), amp(6, 30, 63, 30),
                   dict(vol=34), dict(l1w="Square", l1d1=1, l1d2=1, l1f=0, l1a=0, l1dep=22, l1rate=14, l1del=0),
                   lfo2("vca", 50, 28, wave="Square")))
    P[62] = ("Decaying saws.",
             merge(dcos("S", "S"), dict(det=8), filt(26, env=20, fd=36, track=36), amp(0, 38, 0, 20),
                   dict(vdyn=16, vol=32), no_lfo()))
    P[63] = ("Repeating notes: a square LFO gates the level; velocity sets the speed.",
             merge(dcos("P", "P", o1="8'", pw1=10, pw2=15), filt(32, env=10, fd=40, track=32), amp(0, 44, 0, 24),
                   dict(vol=38), no_lfo(), lfo2("vca", 63, 22, wave="Square", rdyn=50)))
    # Inverted, a higher cutoff is darker, so the cutoff is low (low enough that the top keys come
    # through) and key tracking off.
    P[64] = ("Inverted filter envelope: the tone dips at the start and opens as it settles.",
             merge(dcos("S", "S", o2="8'"), dict(det=16), filt(18, env=18, fa=16, fd=30, fs=0, fr=36, track=0),
                   dict(inv=1), amp(20, 40, 63, 36), dict(vol=30), no_lfo(), lfo2("vcf", 4, 9)))
    P[65] = ("Koto: plucked pulse with a triangle body, longer ring than bank 1's.",
             pluck(w1="P", pw1=5, w2="T", cut=26, res=24, env=30, fd=26, d=40, r=24, vol=36, vdyn=56))
    P[66] = ("Decaying pulses, third voicing: narrow, resonant.",
             merge(dcos("P", "P", pw1=4, pw2=7), dict(det=10), filt(22, env=24, fd=30, res=24, track=36),
                   amp(0, 34, 0, 20), dict(vdyn=20, vol=34), no_lfo()))
    P[67] = ("Trill: a square LFO flips both oscillators a whole tone.",
             merge(dcos("P", "S", pw1=10), filt(30, track=32), amp(0, 30, 63, 16), dict(vol=30), no_lfo(),
                   dict(l1w="Square", l1d1=1, l1d2=1, l1f=0, l1a=0, l1dep=13, l1rate=30, l1del=0)))
    P[68] = ("Mallet bell, bright and long.",
             bell(w1="P", w2="T", o1="8'", o2="4'", f2=0, pw1=8, det=6, d=46, vol=40))
    P[69] = ("Digital attack: a bright edge that settles to a softer tone.",
             merge(dcos("P", "S", pw1=3, o2="8'"), dict(det=6), filt(20, env=36, fd=14, fs=24, track=36),
                   amp(0, 30, 50, 18), dict(vol=30), no_lfo()))
    P[70] = ("Low digital bell: fifths in the tenor range.",
             bell(o1="16'", o2="16'", det=20, cut=36, d=50, vol=34))
    P[71] = ("High digital bell: fifths two octaves up.",
             bell(o1="8'", o2="4'", det=20, cut=44, d=46, vol=32))
    P[72] = ("Sine-like tone: a triangle filtered down to its fundamental.",
             merge(dcos("T", ""), filt(18, track=32), amp(0, 0, 63, 16), dict(vol=60), vibrato(1, 23, 30)))
    P[73] = ("Mallet with its third harmonic.",
             mallet(w2="T", o2="8'", f2=7, cut=26, d=34, vol=52))
    P[74] = ("Dark wooden knock: low cutoff, resonant.",
             merge(dcos("T", "P", pw2=15), filt(14, env=16, fd=18, res=24, track=32), amp(0, 24, 0, 16),
                   dict(vdyn=24, vol=56), no_lfo()))
    P[75] = ("Mallet with its fifth harmonic.",
             mallet(o1="8'", w2="T", o2="4'", f2=4, cut=28, d=36, vol=48))

    C = {}
    # Names without "+" or "-" are layered sounds built from this bank's singles.
    C[76] = ("Digital bell: DIGITAL BELL LOW and DIGITAL BELL HIGH together.", ("DIGITAL BELL LOW", "DIGITAL BELL HIGH", "Double", 1, 25, 26, 24))
    C[77] = ("Vibraphone: a mallet with MALLET BELL 2, whose tremolo is the vibraphone's.", ("MALLET HARMONIC 1", "MALLET BELL 2", "Double", 1, 25, 20, 40))
    C[78] = ("Marimba: DARK WOOD TONE with MALLET HARMONIC 2 for the bar's upper partial.", ("DARK WOOD TONE", "MALLET HARMONIC 2", "Double", 1, 25, 32, 24))
    C[79] = ("Decaying saw over square bass.", ("SAWTOOTH DECAY", "SQUARE PIANO BASS", "Double", 1, 25, 26, 20))
    C[80] = ("Jazz organ with a bell.", ("JAZZ ORGAN 1", "MALLET BELL 1", "Double", 1, 25, 26, 32))
    C[81] = ("Ghost and decaying pulses.", ("DELAYED GHOST", "PULSE DECAY 3", "Double", 1, 25, 30, 28))
    # "DIGITAL PIANO 1" is this bank's DIGITAL PIANO.
    C[82] = ("Koto and digital piano: DIGITAL PIANO 1 is this bank's DIGITAL PIANO.", ("KOTO", "DIGITAL PIANO", "Double", 1, 25, 28, 28))
    C[83] = ("Carillon: DIGITAL BELL LOW with the bright, long MALLET BELL 3.", ("DIGITAL BELL LOW", "MALLET BELL 3", "Double", 1, 25, 30, 26))
    C[84] = ("Two digital pianos.", ("DIGITAL PIANO", "DIGITAL PIANO 2", "Double", 1, 25, 28, 28))
    C[85] = ("Choir and electronic piano.", ("MALE SPACE CHOIR", "ELECTRONIC PIANO 3", "Double", 1, 25, 30, 28))
    C[86] = ("VELOCITY CONTR. STRINGS is VELOCITY CONTROLLED STRINGS; with BRIGHT PIANO.", ("VELOCITY CONTROLLED STRINGS", "BRIGHT PIANO", "Double", 1, 25, 28, 28))
    C[87] = ("Percussion and clavichord.", ("DIGITAL PERCUSSION 2", "CLAVICHORD", "Double", 1, 25, 26, 30))
    C[88] = ("Mallet and wood knock.", ("MALLET HARMONIC 2", "KNOCK ON WOOD", "Double", 1, 25, 30, 24))
    # " - " names split the keyboard; basses sit below C3.
    C[89] = ("SAWTOOTH DECAY 1 is SAWTOOTH DECAY 1 WITH DYNAMIC; ELECTRIC PIANO 1 above.", ("SAWTOOTH DECAY 1 WITH DYNAMIC", "ELECTRIC PIANO 1", "Split", 25, 25, 30, 32))
    C[90] = ("Sequencer bass below C3, fast brass above.", ("SEQUENCER BASS", "FAST BRASS 4", "Split", 25, 25, 34, 30))
    C[91] = ("Funk below, resonance sweep above.", ("FUNK TOUCH 4", "RESONANCE SWEEP", "Split", 25, 25, 32, 30))
    C[92] = ("Guitar below, flute above.", ("CLASSIC GUITAR", "FLUTE", "Split", 25, 25, 34, 26))
    C[93] = ("Square bass below C3, harp above.", ("SQUARE PIANO BASS", "HARP", "Split", 25, 25, 26, 34))
    C[94] = ("Funk below, trill above.", ("FUNK TOUCH 3", "SPILLO TRILLO", "Split", 25, 25, 32, 28))
    C[95] = ("Clavichord below, flute above.", ("CLAVICHORD", "FLUTE", "Split", 25, 25, 36, 26))
    C[96] = ("Two funk voicings split at C3.", ("FUNK TOUCH 4", "FUNK TOUCH 2", "Split", 25, 25, 32, 32))
    # "MALLET HARMONICS 2" is this bank's MALLET HARMONIC 2.
    C[97] = ("MALLET HARMONICS 2 is MALLET HARMONIC 2, below; KNOCK ON WOOD above.", ("MALLET HARMONIC 2", "KNOCK ON WOOD", "Split", 25, 25, 28, 26))
    C[98] = ("Toms below, claps above.", ("ELECTRONIC TOMS", "NOISE CLAPS", "Split", 25, 25, 22, 24))
    C[99] = ("Solo strings below, string section above.", ("SOLO TO ENSEMBLE STRINGS", "STRINGS 1", "Split", 25, 25, 32, 32))
    return P, C


# ---------------------------------------------------------------------------------------------

def complete(design, level=None):
    """Turns a design dict into the 53 values, by id; level replaces the design's volume."""
    d = dict(design)
    d.pop("trim", None)
    d.pop("own_touch", None)  # the design sets its touch itself
    if level is not None:
        d["vol"] = level
    values = {p[0]: p[5] for p in PARAMS}
    for n in (1, 2):
        waves = d.pop("w%d" % n, None)
        if waves is not None:
            d["tri%d" % n] = int("T" in waves)
            d["saw%d" % n] = int("S" in waves)
            d["pul%d" % n] = int("P" in waves)
    for key in ("o1", "o2"):
        if isinstance(d.get(key), str):
            d[key] = OCT[d[key]]
    for key in ("l1w", "l2w"):
        if isinstance(d.get(key), str):
            d[key] = LFO[d[key]]
    # The filter releases with the level unless a design says otherwise.
    if d.get("fr") is None:
        d["fr"] = d.get("r", 1)
    for key, value in d.items():
        if key not in KEY:
            raise SystemExit("unknown design key %r" % key)
        pid, name, _, lo, hi, _, _ = KEY[key]
        if not (isinstance(value, int) and lo <= value <= hi):
            raise SystemExit("%s = %r out of %d..%d" % (name, value, lo, hi))
        values[pid] = value
    return values


# Touch. A player expects struck, plucked and keyed sounds, and anything named for velocity, to
# play louder and brighter when hit harder: about 6 to 12 dB from velocity 30 to 127. So their
# "VCA Amount Dynamic" and "VCF Envelope Dynamic" are at least these (the harpsichord has no touch,
# and a "DYNAMIC ATTACK" promises its touch on the attack only). A design with own_touch sets its
# own.
TOUCH_WORDS = ("PIANO", "GRAND", "CLAVINET", "CLAVICHORD", "GUITAR", "PIZZICATO", "HARP", "HARPO", "KOTO", "BANJO",
               "LUTE", "MALLET", "MARIMBA", "XYLOPHONE", "VIBRAPHONE", "CALIMBA", "TOUCH", "VELOCITY")
TOUCH_VCA = 44
TOUCH_VCF = 40


def promises_touch(name):
    """Whole words only: a FLUTE is not a LUTE."""
    words = "".join(c if c.isalnum() else " " for c in name).split()
    return any(word in TOUCH_WORDS for word in words) or "WITH DYNAMIC" in name


def render(names, programs, combis, title, levels):
    lines = ["# %s: generated by design_banks.py; edit the generator, not this file." % title, ""]
    assert sorted(programs) == list(range(1, 76)) and sorted(combis) == list(range(76, 100))
    for n in range(1, 76):
        comment, design = programs[n]
        values = complete(design, levels.get(str(n)))
        if promises_touch(names[n - 1]) and not design.get("own_touch"):
            values[38] = max(values[38], TOUCH_VCA)
            values[19] = max(values[19], TOUCH_VCF)
        lines.append("[PRG %d] %s" % (n, names[n - 1]))
        lines.append("# " + comment)
        for pid, name, _, _, _, _, enum in PARAMS:
            v = values[pid]
            text = ENUMS[enum][v] if enum else str(v)
            lines.append("%s = %s" % (name, text))
        lines.append("")
    for n in range(76, 100):
        comment, (lower, upper, mode, split, transpose, lv, uv) = combis[n]
        if str(n) in levels:
            lv, uv = levels[str(n)]
        for ref in (lower, upper):
            if ref not in names[:75]:
                raise SystemExit("combi %d refers to unknown program %r" % (n, ref))
        assert mode in ("Single", "Split", "Double") and 1 <= split <= 61 and 1 <= transpose <= 61
        assert 0 <= lv <= 63 and 0 <= uv <= 63
        lines.append("[COMBI %d] %s" % (n, names[n - 1]))
        lines.append("# " + comment)
        lines.append("Lower Program = %s" % lower)
        lines.append("Upper Program = %s" % upper)
        lines.append("Keyboard Mode = %s" % mode)
        lines.append("Split Point = %d" % split)
        lines.append("Upper Transpose = %d" % transpose)
        lines.append("Lower Volume = %d" % lv)
        lines.append("Upper Volume = %d" % uv)
        lines.append("")
    return "\n".join(lines)


BANKS = (("bank1.txt", BANK1_NAMES, bank1, "Factory bank 1"), ("bank2.txt", BANK2_NAMES, bank2, "Factory bank 2"))


def load_levels():
    if not os.path.exists(LEVELS_FILE):
        return {}
    with open(LEVELS_FILE, encoding="utf-8") as f:
        return json.load(f)


def read_level_sheet(sheet):
    """(bank file, number) -> (LUFS, dBTP) from the level sheet that bank_levels_tests prints."""
    rows = {}
    bank = None
    with open(sheet, encoding="utf-8") as f:
        for line in f:
            words = line.split()
            if len(words) == 2 and words[1] == "levels" and words[0] in ("bank1.txt", "bank2.txt"):
                bank = words[0]
            elif bank and len(words) > 6 and words[0].isdigit() and words[1] in ("perc", "held"):
                rows[(bank, int(words[0]))] = (float(words[2]), float(words[3]))
    return rows


def exempt_from_balance(comment):
    return "Level exception:" in comment


def calibrate(sheet):
    """Rescales volumes from a level sheet: every program towards TARGET_LUFS on its phrase,
    never letting a full-velocity six-note chord pass PEAK_LIMIT_DBTP. Programs named as level
    exceptions are only held under the peak limit. Combis scale both layer levels together, so
    run this twice after a change: once for the singles, once more for the Combis built on them."""
    rows = read_level_sheet(sheet)
    levels = load_levels()
    for filename, names, build, title in BANKS:
        programs, combis = build()
        table = levels.setdefault(filename, {})
        for n in list(programs) + list(combis):
            if (filename, n) not in rows or (filename, n) in FIXED_LEVELS:
                continue
            lufs, peak = rows[(filename, n)]
            comment = programs[n][0] if n in programs else combis[n][0]
            want = PEAK_LIMIT_DBTP - peak if exempt_from_balance(comment) else TARGET_LUFS - lufs
            gain = 10 ** (min(want, PEAK_LIMIT_DBTP - peak) / 20.0)
            if exempt_from_balance(comment) and gain >= 1.0:
                continue
            if n in programs:
                current = complete(programs[n][1], table.get(str(n)))[39]
                table[str(n)] = max(1, min(63, int(round(current * gain))))
            else:
                lv, uv = table.get(str(n), combis[n][1][5:7])
                # Both layers stay clearly audible (16 and up).
                table[str(n)] = [max(16, min(63, int(round(lv * gain)))), max(16, min(63, int(round(uv * gain))))]
    with open(LEVELS_FILE, "w", encoding="utf-8", newline="\n") as f:
        json.dump(levels, f, indent=1, sort_keys=True)
        f.write("\n")


def main():
    args = sys.argv[1:]
    if args[:1] == ["--calibrate"]:
        calibrate(args[1])
    check = "--check" in args
    stale = []
    levels = load_levels()
    for filename, names, build, title in BANKS:
        assert len(names) == 99
        programs, combis = build()
        text = render(names, programs, combis, title, levels.get(filename, {}))
        path = os.path.join(HERE, filename)
        if check:
            with open(path, encoding="utf-8") as f:
                if f.read() != text:
                    stale.append(filename)
        else:
            with open(path, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
    if stale:
        raise SystemExit("out of date: " + ", ".join(stale))


if __name__ == "__main__":
    main()
