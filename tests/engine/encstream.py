#!/usr/bin/python3
"""Independent reader and writer of the encrypted stream, for interop tests.

usage: encstream.py encrypt|decrypt MODE PASSWORD INFILE OUTFILE
MODE 1, 2, 3 = AES-128, -192, -256. decrypt exits 1 on a wrong password or code.
"""
import hashlib
import hmac
import os
import sys

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes


def keys(mode, password, salt):
    length = 8 * (mode + 1)
    derived = hashlib.pbkdf2_hmac("sha1", password, salt, 1000, 2 * length + 2)
    return derived[:length], derived[length:2 * length], derived[2 * length:]


def keystream_xor(aes_key, data):
    blocks = (len(data) + 15) // 16
    counters = b"".join((i + 1).to_bytes(8, "little") + bytes(8) for i in range(blocks))
    encryptor = Cipher(algorithms.AES(aes_key), modes.ECB()).encryptor()
    stream = encryptor.update(counters) + encryptor.finalize()
    return bytes(a ^ b for a, b in zip(data, stream))


def encrypt(mode, password, plain):
    salt = os.urandom(4 * (mode + 1))
    aes_key, mac_key, verifier = keys(mode, password, salt)
    cipher = keystream_xor(aes_key, plain)
    code = hmac.new(mac_key, cipher, hashlib.sha1).digest()[:10]
    return salt + verifier + cipher + code


def decrypt(mode, password, stream):
    salt_length = 4 * (mode + 1)
    if len(stream) < salt_length + 12:
        return None
    salt, verifier = stream[:salt_length], stream[salt_length:salt_length + 2]
    cipher, code = stream[salt_length + 2:-10], stream[-10:]
    aes_key, mac_key, expected = keys(mode, password, salt)
    if verifier != expected:
        return None
    if hmac.new(mac_key, cipher, hashlib.sha1).digest()[:10] != code:
        return None
    return keystream_xor(aes_key, cipher)


def main():
    action, mode, password, source, target = sys.argv[1:6]
    mode = int(mode)
    password = password.encode("cp1252")
    with open(source, "rb") as f:
        data = f.read()
    result = encrypt(mode, password, data) if action == "encrypt" else decrypt(mode, password, data)
    if result is None:
        return 1
    with open(target, "wb") as f:
        f.write(result)
    return 0


if __name__ == "__main__":
    sys.exit(main())
