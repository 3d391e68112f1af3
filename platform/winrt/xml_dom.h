#pragma once

// XML nodes (Windows.Data.Xml.Dom) as far as the module reads them: an element's
// inner text and its attributes by name. The module parses no XML; elements are
// made by whoever hands them over (winrt_layer::MakeXmlElement).
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/winrt/foundation.h"

namespace winrt::Windows::Data::Xml::Dom {

enum class NodeType : std::int32_t {
    Invalid = 0,
    ElementNode = 1,
    AttributeNode = 2,
    TextNode = 3,
};

namespace impl {
struct xml_node_data {
    NodeType type = NodeType::Invalid;
    hstring name;
    hstring text;  // an element's inner text, an attribute's value
    std::vector<std::shared_ptr<const xml_node_data>> attributes;
};
using node_pointer = std::shared_ptr<const xml_node_data>;

inline const xml_node_data& checked(const node_pointer& node) {
    if (!node) winrt::impl::throw_null_object();
    return *node;
}
}  // namespace impl

class IXmlNode;

class IXmlAttribute {
public:
    IXmlAttribute() = default;
    IXmlAttribute(std::nullptr_t) {}
    explicit operator bool() const noexcept { return node_ != nullptr; }

    hstring Name() const { return impl::checked(node_).name; }
    hstring Value() const { return impl::checked(node_).text; }
    bool Specified() const {
        impl::checked(node_);
        return true;
    }

private:
    friend class IXmlNode;
    explicit IXmlAttribute(impl::node_pointer node) : node_(std::move(node)) {}
    impl::node_pointer node_;
};

class XmlNamedNodeMap;

// A node reference; copies share the node, a default one is null.
class IXmlNode {
public:
    IXmlNode() = default;
    IXmlNode(std::nullptr_t) {}
    explicit IXmlNode(impl::node_pointer node) : node_(std::move(node)) {}

    explicit operator bool() const noexcept { return node_ != nullptr; }
    friend bool operator==(const IXmlNode& node, std::nullptr_t) noexcept { return !node; }

    Dom::NodeType NodeType() const { return impl::checked(node_).type; }
    hstring NodeName() const { return impl::checked(node_).name; }
    // The concatenated text of the node and its descendants (IXmlNodeSerializer).
    hstring InnerText() const { return impl::checked(node_).text; }
    // An attribute's value as a boxed string; null for an element.
    Foundation::IInspectable NodeValue() const {
        const auto& node = impl::checked(node_);
        return node.type == Dom::NodeType::AttributeNode ? box_value(node.text) : Foundation::IInspectable();
    }
    XmlNamedNodeMap Attributes() const;

    template <typename Interface>
    Interface as() const {
        static_assert(std::is_same_v<Interface, IXmlAttribute>, "the layer's nodes are elements or attributes");
        if (impl::checked(node_).type != Dom::NodeType::AttributeNode) throw hresult_no_interface();
        return IXmlAttribute(node_);
    }
    template <typename Interface>
    Interface try_as() const noexcept {
        static_assert(std::is_same_v<Interface, IXmlAttribute>, "the layer's nodes are elements or attributes");
        return node_ && node_->type == Dom::NodeType::AttributeNode ? IXmlAttribute(node_) : IXmlAttribute();
    }

private:
    impl::node_pointer node_;
};

// An element's attributes, found by exact (case-sensitive) name.
class XmlNamedNodeMap {
public:
    XmlNamedNodeMap() = default;
    XmlNamedNodeMap(std::nullptr_t) {}
    explicit XmlNamedNodeMap(impl::node_pointer owner) : owner_(std::move(owner)) {}
    explicit operator bool() const noexcept { return owner_ != nullptr; }

    std::uint32_t Size() const { return static_cast<std::uint32_t>(impl::checked(owner_).attributes.size()); }
    IXmlNode Item(std::uint32_t index) const {
        const auto& attributes = impl::checked(owner_).attributes;
        return index < attributes.size() ? IXmlNode(attributes[index]) : IXmlNode();
    }
    IXmlNode GetNamedItem(const hstring& name) const {
        for (const auto& attribute : impl::checked(owner_).attributes)
            if (attribute->name == name) return IXmlNode(attribute);
        return IXmlNode();
    }

private:
    impl::node_pointer owner_;
};

// Only elements carry an attribute map.
inline XmlNamedNodeMap IXmlNode::Attributes() const {
    return impl::checked(node_).type == Dom::NodeType::ElementNode ? XmlNamedNodeMap(node_) : XmlNamedNodeMap();
}

}  // namespace winrt::Windows::Data::Xml::Dom

// Not part of the Windows Runtime: how the layer's elements are made.
namespace winrt_layer {

struct XmlAttributeSpec {
    winrt::hstring name;
    winrt::hstring value;
};

inline winrt::Windows::Data::Xml::Dom::IXmlNode MakeXmlElement(winrt::hstring name, winrt::hstring innerText,
                                                               const std::vector<XmlAttributeSpec>& attributes = {}) {
    using namespace winrt::Windows::Data::Xml::Dom;
    auto element = std::make_shared<impl::xml_node_data>();
    element->type = NodeType::ElementNode;
    element->name = std::move(name);
    element->text = std::move(innerText);
    for (const auto& spec : attributes) {
        auto attribute = std::make_shared<impl::xml_node_data>();
        attribute->type = NodeType::AttributeNode;
        attribute->name = spec.name;
        attribute->text = spec.value;
        element->attributes.push_back(std::move(attribute));
    }
    return IXmlNode(std::move(element));
}

}  // namespace winrt_layer
