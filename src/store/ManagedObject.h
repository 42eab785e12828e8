#pragma once

#include "store/EntityDescription.h"
#include "store/Value.h"

#include <QUuid>

#include <functional>

#include <memory>
#include <optional>
#include <vector>

class ManagedObjectContext;
class QObject;
class ManagedObjectModel;

// An object of an entity, owned by the context that inserted or loaded it.
//
// Views, delegates and editors hold objects through shared handles
// (std::shared_ptr<ManagedObject> or of the entity's class). A handle never dangles: once the
// object is deleted, or its context is gone, the handle still reads the object's last values,
// isDeleted() is true, every link is cleared and every write is refused.
//
// Writing one side of a relationship updates its inverse at once. Writing a value equal to the
// one held changes nothing.
class ManagedObject : public std::enable_shared_from_this<ManagedObject> {
public:
    explicit ManagedObject(const EntityDescription& entity);
    virtual ~ManagedObject();
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    const EntityDescription& entity() const { return *m_entity; }
    // The owning context, or null once the object is deleted and saved or the context is gone.
    ManagedObjectContext* managedObjectContext() const { return m_context; }

    // Inserted and not yet saved.
    bool isInserted() const { return m_inserted && !m_deleted; }
    // Changed since it was last saved or loaded, and not new.
    bool isUpdated() const { return !m_inserted && !m_deleted && m_changed != 0; }
    // Deleted (saved or not), or left behind by a context that is gone.
    bool isDeleted() const { return m_deleted || m_context == nullptr; }
    bool hasChanges() const { return m_inserted || m_deleted || m_changed != 0; }

    // Access by property name. Unknown names read as absent and are refused on write; a value
    // of the wrong kind is refused, and so is any write of the identity ("id") once the object
    // is inserted. Refused writes change nothing and return false.
    Value value(const QString& key) const;
    bool setValue(const QString& key, const Value& value);
    std::shared_ptr<ManagedObject> destination(const QString& relationship) const;
    bool setDestination(const QString& relationship, ManagedObject* destination);
    // The members of a to-many relationship, in the order the objects were first stored.
    std::vector<std::shared_ptr<ManagedObject>> members(const QString& relationship) const;
    // Links `member` through the inverse to-one side (moving it from any other owner), or
    // unlinks it.
    bool addMember(const QString& relationship, ManagedObject* member);
    bool removeMember(const QString& relationship, ManagedObject* member);

    // Whether the attribute holds a value (a required one may not, before a save).
    bool hasValue(int attribute) const {
        return !ValueOrder::isAbsent(m_values[size_t(attribute)]) || storedDocument(attribute);
    }

    // A byte-string attribute stays on disk until its bytes are asked for: its size is known
    // without reading it, absent when it holds no value.
    std::optional<qint64> documentSize(int attribute) const;
    // Its bytes, read from the store now unless another reader still holds them; null when
    // it holds no value (or the store can no longer give them, which is reported). The store
    // keeps nothing once every reader has let go.
    std::shared_ptr<const QByteArray> document(int attribute) const;
    // The same, without reading on this thread: `done` runs later (never during the call), on
    // this thread, unless `receiver` is gone by then. Bytes in memory are handed over as they
    // are; bytes in the store file are read on a thread of the store's own (see
    // DocumentReader). Only an in-memory store, which no other thread can reach, is read here,
    // on a later turn of the event loop.
    void documentLater(int attribute, QObject* receiver,
                       std::function<void(std::shared_ptr<const QByteArray>)> done) const;

protected:
    // Called once, when the object is first inserted into a context, after the model's
    // defaults are set; never when it is loaded. Entity classes set their insert defaults here.
    virtual void awakeFromInsert() {}

    const Value& valueAt(int attribute) const { return m_values[size_t(attribute)]; }
    bool setValueAt(int attribute, Value value);

    template <typename T> std::optional<T> optionalAt(int attribute) const {
        if (const T* value = std::get_if<T>(&m_values[size_t(attribute)])) {
            return *value;
        }
        return std::nullopt;
    }
    template <typename T> T requiredAt(int attribute) const {
        return optionalAt<T>(attribute).value_or(T());
    }
    template <typename T> bool setOptionalAt(int attribute, const std::optional<T>& value) {
        return setValueAt(attribute, value ? Value(*value) : Value());
    }

    ManagedObject* destinationAt(int relationship) const { return m_links[size_t(relationship)]; }
    bool setDestinationAt(int relationship, ManagedObject* destination);
    std::vector<ManagedObject*> membersAt(int relationship) const;
    // How many members membersAt() would give, without listing them.
    size_t memberCountAt(int relationship) const {
        return size_t(relationship) < m_members.size() ? m_members[size_t(relationship)].size() : 0;
    }

    template <typename T> std::shared_ptr<T> destinationAs(int relationship) const {
        ManagedObject* object = destinationAt(relationship);
        return object ? std::dynamic_pointer_cast<T>(object->shared_from_this()) : nullptr;
    }
    template <typename T> std::vector<std::shared_ptr<T>> membersAs(int relationship) const {
        std::vector<std::shared_ptr<T>> result;
        for (ManagedObject* object : membersAt(relationship)) {
            if (auto typed = std::dynamic_pointer_cast<T>(object->shared_from_this())) {
                result.push_back(std::move(typed));
            }
        }
        return result;
    }

private:
    friend class ManagedObjectContext;
    friend class LiveFetchResults;

    // A byte-string value that is in the store and not in memory.
    struct StoredDocument {
        int attribute = -1;
        qint64 size = 0;
        mutable std::weak_ptr<const QByteArray> cache;
        quint64 serial = nextSerial(); // tells a read that the document changed meanwhile
    };
    static quint64 nextSerial();
    const StoredDocument* storedDocument(int attribute) const;
    void setStoredDocument(int attribute, std::optional<qint64> size);

    // The object as it was at the last save, kept from its first change after it, for a
    // rollback.
    struct SavedState {
        std::vector<Value> values;
        std::vector<StoredDocument> documents;
        std::vector<ManagedObject*> links;
    };

    // The to-one side that links `member` into this object's to-many `relationship`, or -1.
    int inverseOfToMany(const QString& relationship, const ManagedObject* member) const;
    quint64 relationshipBit(int relationship) const {
        return quint64(1) << (m_entity->attributes().size() + size_t(relationship));
    }
    // Links without any check or change record: the context's own bookkeeping.
    void link(int relationship, ManagedObject* destination);
    void unlinkAll();

    const EntityDescription* m_entity;
    // Keeps the descriptions alive for a handle that outlives its context.
    std::shared_ptr<const ManagedObjectModel> m_model;
    ManagedObjectContext* m_context = nullptr;
    std::vector<Value> m_values;         // one per attribute, given by the context
    std::vector<ManagedObject*> m_links; // per relationship: the destination of a to-one side
    // Per relationship whose inverse is to-many: this object's place among the destination's
    // members, so that leaving them costs the same however many there are.
    std::vector<size_t> m_linkSlots;
    std::vector<std::vector<ManagedObject*>> m_members; // per to-many side, in no order
    std::vector<StoredDocument> m_documents;            // byte-string values left in the store
    std::unique_ptr<SavedState> m_saved;                // none while new or unchanged since saved
    quint64 m_changed = 0; // bit per attribute, then per relationship, changed since saved
    bool m_inserted = false;
    bool m_deleted = false;
    bool m_pending = false;  // listed among the context's changed objects
    bool m_announced = true; // observers have heard of it (not while its insert defaults run)
    QUuid m_storedId;        // the id of its row in the store
    // The last tie-breaker of every fetch, fixed for as long as the object is in its context
    // (its rowid when loaded, a number after every loaded row when inserted), so that no two
    // objects ever share one, whatever rowids another writer's rows make a save hand out.
    qint64 m_order = 0;
    size_t m_slot = 0; // position among the context's objects of the entity
};
