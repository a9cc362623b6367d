#pragma once

// The whole cryptography module: AES, SHA-1, HMAC-SHA1, PBKDF2, the salt
// pool, the per-file cipher and the container classes.

#include "crypto/Aes.h"
#include "crypto/CryptStream.h"
#include "crypto/CryptoMemory.h"
#include "crypto/CryptoPath.h"
#include "crypto/Encryption.h"
#include "crypto/FileCipher.h"
#include "crypto/Hmac.h"
#include "crypto/SaltPool.h"
#include "crypto/Sha1.h"
