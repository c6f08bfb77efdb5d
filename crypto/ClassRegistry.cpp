#include "crypto/ClassRegistry.h"

#include "crypto/TProtection.h"

namespace crypto_detail {

std::string ShortName(TClass Class) { return ShortClassName(Class); }

}  // namespace crypto_detail
