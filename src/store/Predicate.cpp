#include "store/Predicate.h"

#include "store/ManagedObject.h"

#include <optional>

struct Predicate::Node {
    enum class Kind { True, False, And, Or, Not, Compare };
    enum class Op { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };
    struct Operand {
        QString key; // empty for a constant
        int attribute = -1;
        Value constant;
    };

    Kind kind = Kind::True;
    std::vector<Node> children;
    Op op = Op::Equal;
    Operand left;
    Operand right;
};

namespace {

using Node = Predicate::Node;

class Parser {
public:
    Parser(const QString& text, const std::vector<Value>& arguments)
        : m_text(text)
        , m_arguments(arguments) {}

    std::optional<Node> parse() {
        std::optional<Node> node = parseOr();
        skipSpace();
        if (node && m_pos != m_text.size()) {
            fail(QStringLiteral("unexpected \"%1\"").arg(m_text.mid(m_pos)));
            return std::nullopt;
        }
        return node;
    }

    const QString& error() const { return m_error; }

private:
    void fail(const QString& message) {
        if (m_error.isEmpty()) {
            m_error = message;
        }
    }

    void skipSpace() {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace()) {
            ++m_pos;
        }
    }

    // The next identifier-like word, not consumed.
    QString peekWord() {
        skipSpace();
        qsizetype end = m_pos;
        while (end < m_text.size() && (m_text[end].isLetterOrNumber() || m_text[end] == u'_')) {
            ++end;
        }
        return m_text.mid(m_pos, end - m_pos);
    }

    bool acceptWord(QStringView word) {
        const QString next = peekWord();
        if (next.compare(word, Qt::CaseInsensitive) == 0) {
            m_pos += next.size();
            return true;
        }
        return false;
    }

    bool acceptSymbol(QStringView symbol) {
        skipSpace();
        if (QStringView(m_text).mid(m_pos).startsWith(symbol)) {
            m_pos += symbol.size();
            return true;
        }
        return false;
    }

    std::optional<Node> parseOr() {
        std::optional<Node> left = parseAnd();
        while (left && (acceptWord(u"OR") || acceptSymbol(u"||"))) {
            std::optional<Node> right = parseAnd();
            if (!right) {
                return std::nullopt;
            }
            left = Node{Node::Kind::Or, {std::move(*left), std::move(*right)}, {}, {}, {}};
        }
        return left;
    }

    std::optional<Node> parseAnd() {
        std::optional<Node> left = parseNot();
        while (left && (acceptWord(u"AND") || acceptSymbol(u"&&"))) {
            std::optional<Node> right = parseNot();
            if (!right) {
                return std::nullopt;
            }
            left = Node{Node::Kind::And, {std::move(*left), std::move(*right)}, {}, {}, {}};
        }
        return left;
    }

    std::optional<Node> parseNot() {
        if (acceptWord(u"NOT") || (peekSymbolNotEqual() && acceptSymbol(u"!"))) {
            std::optional<Node> inner = parseNot();
            if (!inner) {
                return std::nullopt;
            }
            return Node{Node::Kind::Not, {std::move(*inner)}, {}, {}, {}};
        }
        return parsePrimary();
    }

    // "!" alone is NOT; "!=" is a comparison and never starts a condition anyway.
    bool peekSymbolNotEqual() {
        skipSpace();
        return m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != u'=';
    }

    std::optional<Node> parsePrimary() {
        if (acceptSymbol(u"(")) {
            std::optional<Node> inner = parseOr();
            if (inner && !acceptSymbol(u")")) {
                fail(QStringLiteral("missing \")\""));
                return std::nullopt;
            }
            return inner;
        }
        if (acceptWord(u"TRUEPREDICATE")) {
            return Node{Node::Kind::True, {}, {}, {}, {}};
        }
        if (acceptWord(u"FALSEPREDICATE")) {
            return Node{Node::Kind::False, {}, {}, {}, {}};
        }
        Node node;
        node.kind = Node::Kind::Compare;
        std::optional<Node::Operand> left = parseOperand();
        if (!left) {
            return std::nullopt;
        }
        static const std::pair<QStringView, Node::Op> kOps[] = {
            {u"==", Node::Op::Equal},        {u"!=", Node::Op::NotEqual},
            {u"<>", Node::Op::NotEqual},     {u"<=", Node::Op::LessEqual},
            {u"=<", Node::Op::LessEqual},    {u">=", Node::Op::GreaterEqual},
            {u"=>", Node::Op::GreaterEqual}, {u"<", Node::Op::Less},
            {u">", Node::Op::Greater},       {u"=", Node::Op::Equal},
        };
        bool found = false;
        for (const auto& [symbol, op] : kOps) {
            if (acceptSymbol(symbol)) {
                node.op = op;
                found = true;
                break;
            }
        }
        if (!found) {
            fail(QStringLiteral("a comparison is missing its operator"));
            return std::nullopt;
        }
        std::optional<Node::Operand> right = parseOperand();
        if (!right) {
            return std::nullopt;
        }
        node.left = std::move(*left);
        node.right = std::move(*right);
        return node;
    }

    std::optional<Node::Operand> parseOperand() {
        skipSpace();
        Node::Operand operand;
        if (acceptSymbol(u"%@")) {
            if (m_nextArgument >= m_arguments.size()) {
                fail(QStringLiteral("more %@ than arguments"));
                return std::nullopt;
            }
            operand.constant = m_arguments[m_nextArgument++];
            return operand;
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == u'"' || m_text[m_pos] == u'\'')) {
            const QChar quote = m_text[m_pos++];
            QString text;
            while (m_pos < m_text.size() && m_text[m_pos] != quote) {
                if (m_text[m_pos] == u'\\' && m_pos + 1 < m_text.size()) {
                    ++m_pos;
                }
                text += m_text[m_pos++];
            }
            if (m_pos == m_text.size()) {
                fail(QStringLiteral("unterminated text"));
                return std::nullopt;
            }
            ++m_pos;
            operand.constant = text;
            return operand;
        }
        const QString word = peekWord();
        if (word.isEmpty()) {
            if (m_pos < m_text.size() && m_text[m_pos] == u'-') {
                ++m_pos;
                const QString digits = peekWord();
                bool ok = false;
                const qint64 number = (u'-' + digits).toLongLong(&ok);
                if (ok) {
                    m_pos += digits.size();
                    operand.constant = number;
                    return operand;
                }
            }
            fail(QStringLiteral("expected a value at \"%1\"").arg(m_text.mid(m_pos)));
            return std::nullopt;
        }
        m_pos += word.size();
        static const std::pair<QStringView, Value> kWords[] = {
            {u"nil", Value()},     {u"NULL", Value()},     {u"YES", Value(true)},
            {u"NO", Value(false)}, {u"TRUE", Value(true)}, {u"FALSE", Value(false)},
        };
        for (const auto& [name, value] : kWords) {
            if (word.compare(name, Qt::CaseInsensitive) == 0) {
                operand.constant = value;
                return operand;
            }
        }
        if (word[0].isDigit()) {
            bool ok = false;
            const qint64 number = word.toLongLong(&ok);
            if (!ok) {
                fail(QStringLiteral("\"%1\" is not a number").arg(word));
                return std::nullopt;
            }
            operand.constant = number;
            return operand;
        }
        operand.key = word;
        return operand;
    }

    const QString& m_text;
    const std::vector<Value>& m_arguments;
    size_t m_nextArgument = 0;
    qsizetype m_pos = 0;
    QString m_error;
};

bool bind(Node& node, const EntityDescription& entity, QString* error) {
    for (Node& child : node.children) {
        if (!bind(child, entity, error)) {
            return false;
        }
    }
    for (Node::Operand* operand : {&node.left, &node.right}) {
        if (node.kind == Node::Kind::Compare && !operand->key.isEmpty()) {
            operand->attribute = entity.attributeIndex(operand->key);
            if (operand->attribute < 0) {
                *error = QStringLiteral("%1 has no attribute %2").arg(entity.name(), operand->key);
                return false;
            }
        }
    }
    return true;
}

struct Subject {
    const std::vector<Value>& values;
    const ManagedObject* object;
};

// The operand's value; `read` holds a document that had to be read from the store.
const Value& valueOf(const Node::Operand& operand, const Node::Operand& other,
                     const Subject& subject, Value& read) {
    if (operand.attribute < 0) {
        return operand.constant;
    }
    const Value& value = subject.values[size_t(operand.attribute)];
    if (!ValueOrder::isAbsent(value) || !subject.object ||
        !subject.object->documentSize(operand.attribute)) {
        return value;
    }
    if (other.attribute < 0 && ValueOrder::isAbsent(other.constant)) {
        static const Value kPresent = QByteArray();
        return kPresent; // nil or not: the bytes need not be read
    }
    if (const auto bytes = subject.object->document(operand.attribute)) {
        read = *bytes;
    }
    return read;
}

bool comparable(const Value& a, const Value& b) {
    auto numeric = [](const Value& v) {
        return std::holds_alternative<bool>(v) || std::holds_alternative<qint64>(v);
    };
    return (numeric(a) && numeric(b)) || (a.index() == b.index() && !ValueOrder::isAbsent(a));
}

bool evaluateNode(const Node& node, const Subject& values) {
    switch (node.kind) {
    case Node::Kind::True:
        return true;
    case Node::Kind::False:
        return false;
    case Node::Kind::And:
        return evaluateNode(node.children[0], values) && evaluateNode(node.children[1], values);
    case Node::Kind::Or:
        return evaluateNode(node.children[0], values) || evaluateNode(node.children[1], values);
    case Node::Kind::Not:
        return !evaluateNode(node.children[0], values);
    case Node::Kind::Compare:
        break;
    }
    Value readA;
    Value readB;
    const Value& a = valueOf(node.left, node.right, values, readA);
    const Value& b = valueOf(node.right, node.left, values, readB);
    switch (node.op) {
    case Node::Op::Equal:
        return ValueOrder::equal(a, b);
    case Node::Op::NotEqual:
        return !ValueOrder::equal(a, b);
    default:
        break;
    }
    if (!comparable(a, b)) {
        return false;
    }
    const int c = ValueOrder::compare(a, b);
    switch (node.op) {
    case Node::Op::Less:
        return c < 0;
    case Node::Op::LessEqual:
        return c <= 0;
    case Node::Op::Greater:
        return c > 0;
    default:
        return c >= 0;
    }
}

} // namespace

Predicate Predicate::format(const QString& format, const std::vector<Value>& arguments) {
    Predicate predicate;
    predicate.m_format = format;
    Parser parser(format, arguments);
    if (std::optional<Node> root = parser.parse()) {
        predicate.m_root = std::make_shared<const Node>(std::move(*root));
    } else {
        predicate.m_error =
            QStringLiteral("Cannot read the predicate \"%1\": %2").arg(format, parser.error());
    }
    return predicate;
}

Predicate Predicate::boundTo(const EntityDescription& entity) const {
    Predicate bound = *this;
    if (!m_root) {
        return bound;
    }
    Node copy = *m_root;
    QString error;
    if (bind(copy, entity, &error)) {
        bound.m_root = std::make_shared<const Node>(std::move(copy));
    } else {
        bound.m_root.reset();
        bound.m_error = QStringLiteral("Cannot use the predicate \"%1\": %2").arg(m_format, error);
    }
    return bound;
}

bool Predicate::evaluate(const std::vector<Value>& values, const ManagedObject* object) const {
    return m_root && evaluateNode(*m_root, Subject{values, object});
}
