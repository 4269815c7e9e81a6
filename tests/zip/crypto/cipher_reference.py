#!/usr/bin/env python3
"""Independent reference for the archive engine's chaining modes and the
three-lane triple DES, built on the ECB primitives of python3-cryptography.

Each input line: cipher mode op keyhex ivhex datahex
  an empty iv is written "-" and means E(all 0xFF block)
  cipher: aes | des | 3des | 3tdes | blowfish   (key already cut to size)
  mode:   0-7, op: enc | dec
Each output line: outhex chainhex
"""
import sys

from cryptography.hazmat.primitives.ciphers import Cipher, modes
from cryptography.hazmat.primitives.ciphers import algorithms
try:
    from cryptography.hazmat.decrepit.ciphers.algorithms import Blowfish, TripleDES
except ImportError:  # older releases keep them in the main module
    Blowfish = algorithms.Blowfish
    TripleDES = algorithms.TripleDES


def ecb(alg):
    c = Cipher(alg, modes.ECB())
    return (lambda b: c.encryptor().update(b)), (lambda b: c.decryptor().update(b))


def make(name, key):
    if name == "aes":
        key = key + bytes(32 - len(key))
        n = 16 if KEYLEN <= 16 else 24 if KEYLEN <= 24 else 32
        return ecb(algorithms.AES(key[:n])) + (16,)
    if name == "des":
        k = (key + bytes(8))[:8]
        return ecb(TripleDES(k * 3)) + (8,)
    if name == "3des":
        k = (key + bytes(24))[:24]
        return ecb(TripleDES(k)) + (8,)
    if name == "blowfish":
        return ecb(Blowfish(key)) + (8,)
    if name == "3tdes":
        k = (key + bytes(24))[:24]
        e1, d1 = ecb(TripleDES(k[0:8] * 3))
        e2, d2 = ecb(TripleDES(k[8:16] * 3))
        e3, d3 = ecb(TripleDES(k[16:24] * 3))

        def lanes(f, b):
            return b"".join(f(b[i:i + 8]) for i in range(0, 24, 8))

        def swap(b):
            w = [b[i:i + 4] for i in range(0, 24, 4)]
            w[1], w[2] = w[2], w[1]
            w[3], w[4] = w[4], w[3]
            return b"".join(w)

        def enc(b):
            return lanes(e3, swap(lanes(d2, swap(lanes(e1, b)))))

        def dec(b):
            return lanes(d1, swap(lanes(e2, swap(lanes(d3, b)))))
        return enc, dec, 24
    raise ValueError(name)


def xor(a, b):
    return bytes(x ^ y for x, y in zip(a, b))


def run(E, D, BL, mode, op, F, data):
    out = bytearray()
    pos = 0
    if mode in (2, 3, 7):
        for x in data:
            k = E(F)[0]
            y = x ^ k
            if mode == 2:
                F = F[1:] + bytes([x if op == "dec" else y])
            elif mode == 3:
                F = F[1:] + bytes([k])
            else:
                F = F[1:] + bytes([y])
            out.append(y)
        return (bytes(out) if mode != 7 else data), F
    while len(data) - pos >= BL:
        X = data[pos:pos + BL]
        if mode == 0:
            if op == "enc":
                Y = E(xor(X, F)); F = xor(F, Y); out += Y
            else:
                out += xor(D(X), F); F = xor(F, X)
        elif mode == 1:
            if op == "enc":
                Y = E(xor(X, F)); F = Y; out += Y
            else:
                out += xor(D(X), F); F = X
        elif mode == 4:
            out += E(X) if op == "enc" else D(X)
        elif mode == 5:
            F = xor(F, E(xor(X, F))); out += X
        elif mode == 6:
            F = E(xor(X, F)); out += X
        pos += BL
    if pos < len(data):
        rest = data[pos:]
        K = E(F)
        out += xor(rest, K) if mode in (0, 1, 4) else rest
        F = xor(F, K)
    return bytes(out), F


for line in sys.stdin:
    parts = line.split()
    if not parts:
        continue
    name, mode, op, key, iv, data = parts[0], int(parts[1]), parts[2], *[bytes.fromhex(p.strip('-')) for p in parts[3:6]]
    KEYLEN = len(key)
    E, D, BL = make(name, key)
    if not iv:
        iv = E(b"\xff" * BL)
    out, F = run(E, D, BL, mode, op, iv, data)
    print(out.hex(), F.hex())
