#pragma once

#include "store/Value.h"

#include <QString>

// The kinds of value an attribute holds, numbered as the object-graph framework numbers them.
enum class AttributeType {
    Integer32 = 200,
    String = 700,
    Boolean = 800,
    Date = 900,
    Binary = 1000,
    Uuid = 1100,
};

// One attribute of an entity: its name, kind, whether it may stay absent when the context is
// saved, and the value a new object starts with (absent when the model gives none).
class AttributeDescription final {
public:
    void setName(const QString& name) { m_name = name; }
    const QString& name() const { return m_name; }

    void setAttributeType(AttributeType type) { m_type = type; }
    AttributeType attributeType() const { return m_type; }

    void setOptional(bool optional) { m_optional = optional; }
    bool isOptional() const { return m_optional; }

    void setDefaultValue(const Value& value) { m_defaultValue = value; }
    const Value& defaultValue() const { return m_defaultValue; }

    // Whether a value is of the kind this attribute holds (absent always is).
    bool accepts(const Value& value) const;

private:
    QString m_name;
    AttributeType m_type = AttributeType::String;
    bool m_optional = true;
    Value m_defaultValue;
};
