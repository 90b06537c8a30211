#include "devserver/engine/Procedures.h"

#include <algorithm>

#include "devserver/engine/Evaluator.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Parser.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver::procedures {

namespace {

constexpr int kMaxNesting = 32;
constexpr std::u16string_view kExecuteSql = u"sp_executesql";

// The procedure's own name: the last part of a dotted name, without its brackets.
std::u16string baseName(const std::u16string& name) {
    std::u16string last =
        name.substr(name.rfind(u'.') == std::u16string::npos ? 0 : name.rfind(u'.') + 1);
    if (last.size() >= 2 && last.front() == u'[' && last.back() == u']') {
        last = last.substr(1, last.size() - 2);
    }
    return last;
}

bool is(const std::u16string& name, std::string_view procedure) {
    return text::equalsKeyword(baseName(name), procedure);
}

std::vector<Value> valuesOf(const std::vector<Argument>& arguments) {
    std::vector<Value> values;
    values.reserve(arguments.size());
    for (const Argument& argument : arguments) {
        values.push_back(argument.value);
    }
    return values;
}

bool isUnicodeText(const Argument& argument) {
    return argument.type == ArgumentType::NVarChar;
}

// sp_executesql's own two parameters, by position or by their names.
struct ExecuteSqlArguments {
    const Argument* statement = nullptr;
    const Argument* definition = nullptr;
    std::vector<const Argument*> values;
};

ExecuteSqlArguments splitExecuteSql(const std::vector<Argument>& arguments) {
    ExecuteSqlArguments split;
    for (const Argument& argument : arguments) {
        const bool positional = argument.name.empty();
        if ((positional && split.statement == nullptr && split.values.empty()) ||
            text::equalsKeyword(argument.name, "@STMT") ||
            text::equalsKeyword(argument.name, "@STATEMENT")) {
            split.statement = &argument;
        } else if ((positional && split.definition == nullptr && split.values.empty()) ||
                   text::equalsKeyword(argument.name, "@PARAMS") ||
                   text::equalsKeyword(argument.name, "@PARAMETERS")) {
            split.definition = &argument;
        } else {
            split.values.push_back(&argument);
        }
    }
    return split;
}

// The variables sp_executesql's parameter definition declares, as DECLARE would.
std::vector<syntax::VariableDeclaration> declaredParameters(const std::u16string& definition) {
    if (definition.find_first_not_of(u" \t\r\n") == std::u16string::npos) {
        return {};
    }
    std::vector<syntax::Statement> parsed = parseBatch(tokenize(u"DECLARE " + definition));
    const auto* declare =
        parsed.size() == 1 ? std::get_if<syntax::DeclareVariables>(&parsed[0].node) : nullptr;
    if (declare == nullptr) {
        throw SqlError(messages::syntaxNear(definition));
    }
    return declare->variables;
}

// Binds the values to the declared parameters, by position first and then by name, into
// the scope the statement runs in.
void bindParameters(const std::vector<syntax::VariableDeclaration>& declared,
                    const std::vector<const Argument*>& values, const std::u16string& query,
                    const Context& caller, Scope& scope) {
    std::vector<const Argument*> bound(declared.size(), nullptr);
    std::size_t position = 0;
    for (const Argument* value : values) {
        if (value->name.empty()) {
            if (position >= declared.size()) {
                throw SqlError(messages::wrongArgumentCount(std::u16string(kExecuteSql)));
            }
            bound[position++] = value;
            continue;
        }
        const auto match = std::find_if(declared.begin(), declared.end(), [&](const auto& d) {
            return text::sameName(d.name, value->name);
        });
        if (match == declared.end()) {
            throw SqlError(messages::notAParameter(value->name, std::u16string(kExecuteSql)));
        }
        bound[static_cast<std::size_t>(match - declared.begin())] = value;
    }
    const Evaluator evaluator(caller);
    for (std::size_t i = 0; i < declared.size(); ++i) {
        const syntax::VariableDeclaration& parameter = declared[i];
        Value value;
        if (bound[i] != nullptr) {
            value = bound[i]->value;
        } else if (parameter.initial) {
            value = evaluator.value(*parameter.initial);
        } else {
            throw SqlError(messages::queryParameterNotSupplied(query, parameter.name));
        }
        scope.variables[text::upper(parameter.name)] =
            Variable{parameter.type, values::coerce(value, parameter.type, false)};
    }
}

void executeSql(const std::vector<Argument>& arguments, const Context& context) {
    const ExecuteSqlArguments split = splitExecuteSql(arguments);
    if (split.statement == nullptr) {
        throw SqlError(messages::parameterNotSupplied(std::u16string(kExecuteSql), u"@statement"));
    }
    if (!isUnicodeText(*split.statement)) {
        throw SqlError(messages::parameterNotUnicodeText(u"@statement"));
    }
    if (split.definition != nullptr && !isUnicodeText(*split.definition)) {
        throw SqlError(messages::parameterNotUnicodeText(u"@params"));
    }
    if (context.depth >= kMaxNesting) {
        throw SqlError(messages::nestingLimit());
    }
    if (!split.statement->value) {
        return;  // a NULL statement does nothing
    }
    const std::u16string statement = values::toText(split.statement->value);
    const std::u16string definition = split.definition != nullptr && split.definition->value
                                          ? values::toText(split.definition->value)
                                          : std::u16string();
    Scope scope;
    bindParameters(declaredParameters(definition), split.values,
                   u"(" + definition + u")" + statement, context, scope);
    runText(statement, Context{context.run, scope, context.depth + 1});
}

}  // namespace

bool exists(const std::u16string& name) {
    return is(name, "SP_EXECUTESQL") || is(name, "SP_ATTACH_DB") || is(name, "SP_DETACH_DB");
}

void call(const ProcedureCall& call, const Context& context) {
    if (is(call.name, "SP_EXECUTESQL")) {
        executeSql(call.arguments, context);
    } else if (is(call.name, "SP_ATTACH_DB")) {
        statements::attach(valuesOf(call.arguments), context);
    } else if (is(call.name, "SP_DETACH_DB")) {
        statements::detach(valuesOf(call.arguments), context);
    } else {
        throw SqlError(messages::procedureNotFound(call.name));
    }
}

}  // namespace devserver::procedures
