#include "tests/support/xml_element.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "logging/text_encoding.h"

namespace vistane_test {

namespace {

void AppendInnerText(const pugi::xml_node& node, std::string& text) {
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
        else if (child.type() == pugi::node_element) AppendInnerText(child, text);
    }
}

}  // namespace

winrt::Windows::Data::Xml::Dom::IXmlNode XmlElement(std::string_view xml) {
    using Qv::Vantix::Logging::WidenText;
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    const pugi::xml_node root = document.document_element();
    if (!parsed || !root) {
        ADD_FAILURE() << "malformed XML: " << xml << " (" << parsed.description() << ")";
        return nullptr;
    }
    std::string text;
    AppendInnerText(root, text);
    std::vector<winrt_layer::XmlAttributeSpec> attributes;
    for (const pugi::xml_attribute& attribute : root.attributes())
        attributes.push_back({WidenText(attribute.name()), WidenText(attribute.value())});
    return winrt_layer::MakeXmlElement(WidenText(root.name()), WidenText(text), attributes);
}

}  // namespace vistane_test
