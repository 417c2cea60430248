// The DOM types every codec of the library works with.
#pragma once

#include "devseries/platform/com.h"
#include "devseries/platform/dom.h"

#pragma GCC visibility push(default)
namespace devseries {

using DomNode = platform::DomNode;
using DomDocument = platform::DomDocument;
using DomDocumentPtr = platform::DomDocumentPtr;
using platform::_com_error;
using platform::HRESULT;

}  // namespace devseries
#pragma GCC visibility pop
