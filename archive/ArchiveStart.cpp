#include "archive/ArchiveStart.h"

#include "archive/HeaderCipher.h"

namespace pelorin::archive {

bool WriteArchiveStart(ByteSink& archive, const ArchiveHeader& header, const ArchiveSalt& salt,
                       std::span<const std::uint8_t> passkey) {
    const auto bytes = header.Serialize();
    const PasskeyCheckValue check = ComputePasskeyCheck(passkey, salt);
    return archive.Write(bytes) && archive.Write(salt) && archive.Write(check);
}

bool WriteEntryName(ByteSink& archive, const std::string& storedName, bool encryptHeaders,
                    std::span<const std::uint8_t> passkey) {
    const auto length = EncodeNameLength(static_cast<std::int32_t>(storedName.size()));
    const auto name = std::span(reinterpret_cast<const std::uint8_t*>(storedName.data()), storedName.size());
    return WriteHeaderItem(archive, length, encryptHeaders, passkey) &&
           WriteHeaderItem(archive, name, encryptHeaders, passkey);
}

}  // namespace pelorin::archive
