#include "protocol/session/password.h"

#include <QByteArray>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

#include "protocol/session/frame.h"

namespace quorvex::session {

Buffer NewNonce() {
    Buffer nonce(kNonceBytes);
    for (auto& byte : nonce) {
        byte = static_cast<std::uint8_t>(QRandomGenerator::system()->bounded(256));
    }
    return nonce;
}

Buffer PasswordProof(const std::string& password, ByteView nonce) {
    const QByteArray mac = QMessageAuthenticationCode::hash(
        QByteArray::fromRawData(reinterpret_cast<const char*>(nonce.data()),
                                static_cast<qsizetype>(nonce.size())),
        QByteArray::fromStdString(password), QCryptographicHash::Sha256);
    return Buffer(mac.begin(), mac.end());
}

bool SameProof(ByteView a, ByteView b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference = static_cast<std::uint8_t>(difference | (a[i] ^ b[i]));
    }
    return difference == 0;
}

}  // namespace quorvex::session
