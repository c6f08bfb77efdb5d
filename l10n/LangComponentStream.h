// The binary component-stream form of the old desktop platform, limited to
// what translation components store: the signature "TPF0", the class and
// component names as short strings, then the properties as name and typed
// value (integers, strings, identifiers, Booleans, sets, binary data, string
// lists and collections), each list ended by a zero byte. Binary
// translation files hold one such component per window.
#pragma once

#include <cstdint>

class TComponent;
class TStream;
class TlxCustomLang;

// Writes Lang with its signature: the published properties that differ from
// their defaults, the string lists, the extended translations and the
// translation data.
void WriteLangComponent(TStream* Stream, TlxCustomLang* Lang);

// Reads one component from the stream's position, reading no further than
// Limit (an absolute position). Only translation classes are created: the
// stored class name must name a registered descendant of TlxCustomLang. The
// new component is owned by Owner and marked suppressed while its
// properties are read. Raises EReadError for a malformed or truncated
// stream, EClassNotFound for any other class.
TlxCustomLang* ReadLangComponent(TStream* Stream, TComponent* Owner, int64_t Limit);
