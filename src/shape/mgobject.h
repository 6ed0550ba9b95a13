// Root of every object of the shape model that can be cloned, copied, compared and released.
//
// Ownership: objects are made by a class's static create() or by clone(); the maker's caller
// owns the result and destroys it only with release(), never with delete.
#pragma once

struct MgObject {
    /// A new object of the same concrete class with the same content; the caller owns it.
    [[nodiscard]] virtual MgObject* clone() const = 0;
    /// Copies the content of src when src is of a compatible kind (each class states which);
    /// otherwise leaves this object unchanged.
    virtual void copyFrom(const MgObject& src) = 0;
    /// Destroys this object.
    virtual void release() = 0;
    /// True when src is of the same kind and has equal content.
    [[nodiscard]] virtual bool equals(const MgObject& src) const = 0;
    /// The type id of the concrete class.
    [[nodiscard]] virtual int typeId() const = 0;
    /// True when type is the id of this class or of one of its bases.
    [[nodiscard]] virtual bool isKindOf(int type) const = 0;

protected:
    MgObject() = default;
    MgObject(const MgObject&) = default;
    MgObject& operator=(const MgObject&) = default;
    // Not virtual on purpose: objects are destroyed through release(), never deleted through
    // an MgObject pointer.
    ~MgObject() = default;
};
