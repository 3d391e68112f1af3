#pragma once

// The one header module code includes for Windows Runtime XML elements and boxed
// values: C++/WinRT where it exists (MSVC with the Windows SDK), otherwise the small
// layer in platform/winrt that offers the same names.
#if defined(_MSC_VER) && __has_include(<winrt/Windows.Data.Xml.Dom.h>)
#  include <winrt/Windows.Foundation.h>
#  include <winrt/Windows.Data.Xml.Dom.h>
#else
#  include "platform/winrt/foundation.h"
#  include "platform/winrt/winrt_base.h"
#  include "platform/winrt/xml_dom.h"
#endif
