#pragma once

// The whole cryptography module: AES, SHA-1, HMAC-SHA1, PBKDF2, the salt
// pool, the per-file cipher and the container classes.

#include "Aes.h"
#include "CryptStream.h"
#include "CryptoMemory.h"
#include "CryptoPath.h"
#include "Encryption.h"
#include "FileCipher.h"
#include "Hmac.h"
#include "SaltPool.h"
#include "Sha1.h"
