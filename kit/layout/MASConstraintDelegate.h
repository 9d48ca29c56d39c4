#pragma once

#include "platform/layout/LayoutTypes.h"

#include <memory>

class MASConstraint;

/// The owner of constraints being built: the maker or a composite.
class MASConstraintDelegate
{
public:
    virtual ~MASConstraintDelegate() = default;

    /// Puts the replacement where the constraint stands in the owner's list.
    virtual void constraint(MASConstraint* constraint,
                            const std::shared_ptr<MASConstraint>& shouldBeReplacedWithConstraint)
        = 0;
    /// A new constraint for the attribute on the owner's view; constraint is the one the
    /// attribute is chained onto, or null.
    virtual std::shared_ptr<MASConstraint> constraint(MASConstraint* constraint,
                                                      platform::layout::Attribute addConstraintWithLayoutAttribute)
        = 0;
};
