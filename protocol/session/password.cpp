#include "protocol/session/password.h"

#include <QByteArray>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

#include "protocol/session/constant_time.h"

namespace quorvex::session {
namespace {

Buffer Hmac(const std::string& password, const QByteArray& message) {
    const QByteArray mac = QMessageAuthenticationCode::hash(
        message, QByteArray::fromStdString(password), QCryptographicHash::Sha256);
    return Buffer(mac.begin(), mac.end());
}

QByteArray Bytes(ByteView bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

Buffer BothNonces(const std::string& password, const char* label, ByteView clientNonce,
                  ByteView serverNonce) {
    return Hmac(password, QByteArray(label) + Bytes(clientNonce) + Bytes(serverNonce));
}

}  // namespace

Buffer NewNonce() {
    Buffer nonce(kNonceBytes);
    for (auto& byte : nonce) {
        byte = static_cast<std::uint8_t>(QRandomGenerator::system()->bounded(256));
    }
    return nonce;
}

Buffer PasswordProof(const std::string& password, ByteView nonce) {
    return Hmac(password, Bytes(nonce));
}

Buffer ServerProof(const std::string& password, ByteView clientNonce, ByteView serverNonce) {
    return BothNonces(password, "server", clientNonce, serverNonce);
}

Buffer ClientProof(const std::string& password, ByteView clientNonce, ByteView serverNonce) {
    return BothNonces(password, "client", clientNonce, serverNonce);
}

bool SameProof(ByteView a, ByteView b) {
    return SameSecret(a, b);
}

Challenge MakeChallenge(const std::string& password, ByteView clientNonce, Buffer serverNonce) {
    Challenge challenge{std::move(serverNonce), {}};
    if (!clientNonce.empty()) {
        challenge.serverProof = ServerProof(password, clientNonce, challenge.nonce);
    }
    return challenge;
}

Buffer ExpectedAnswer(const std::string& password, ByteView clientNonce, ByteView serverNonce) {
    return clientNonce.empty() ? PasswordProof(password, serverNonce)
                               : ClientProof(password, clientNonce, serverNonce);
}

ChallengeCheck CheckChallenge(const std::string& password, ByteView clientNonce,
                              const Challenge& challenge) {
    if (challenge.serverProof.empty()) {
        return ChallengeCheck::ProofMissing;
    }
    return SameProof(challenge.serverProof, ServerProof(password, clientNonce, challenge.nonce))
               ? ChallengeCheck::Proven
               : ChallengeCheck::ProofWrong;
}

}  // namespace quorvex::session
