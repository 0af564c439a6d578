// A stand-in for the MSXML document the report application reads, over a time log held as
// plain objects. It counts every node it hands to script, since in the report application
// each of them is a call into the component, and evaluates selectNodes itself, as MSXML does
// natively: "//Name" with an optional predicate of XPath 1.0 comparisons, + - * on attributes
// and numbers, parentheses, "and" and "or".
'use strict';

class CountingDom {
    constructor(root) {
        this.visits = 0;
        this.root = root;
        root.parentNode = null;
        const stack = [root];
        while (stack.length) {
            const node = stack.pop();
            for (const child of node.children) {
                child.parentNode = node;
                stack.push(child);
            }
        }
    }

    // Nodes of that name in document order, below the given node or the document, without
    // counting (the component's own walk).
    all(name, below = this.root) {
        const found = [];
        const stack = below.children.slice().reverse();
        while (stack.length) {
            const node = stack.pop();
            if (node.nodeName === name) found.push(node);
            for (let i = node.children.length - 1; i >= 0; i--) stack.push(node.children[i]);
        }
        return found;
    }

    list(nodes) {
        const dom = this;
        return {
            length: nodes.length,
            item(index) {
                const node = nodes[index];
                if (!node) return null;
                dom.visits++;
                return dom.wrap(node);
            }
        };
    }

    wrap(node) {
        const dom = this;
        return {
            nodeType: 1,
            nodeName: node.nodeName,
            getAttribute: (name) => (Object.prototype.hasOwnProperty.call(node.attributes, name) ? node.attributes[name] : null),
            getElementsByTagName: (name) => dom.list(dom.all(name, node)),
            get childNodes() { return dom.list(node.children); },
            get firstChild() { return node.children.length ? dom.list(node.children).item(0) : null; },
            get parentNode() { return node.parentNode ? dom.wrap(node.parentNode) : null; }
        };
    }

    getElementsByTagName(name) {
        return this.list(this.all(name));
    }

    selectNodes(query) {
        const match = /^\/\/([A-Za-z_][\w.-]*)(?:\[(.*)\])?$/.exec(query);
        if (!match) throw new Error(`the stand-in does not evaluate ${query}`);
        const test = match[2] === undefined ? () => true : predicate(match[2]);
        return this.list(this.all(match[1]).filter((node) => test(node)));
    }
}

// XPath's number(): blanks around a decimal number, anything else NaN.
function number(text) {
    const trimmed = String(text).replace(/^[\x20\t\r\n]+|[\x20\t\r\n]+$/g, '');
    return /^-?(\d+(\.\d*)?|\.\d+)$/.test(trimmed) ? parseFloat(trimmed) : NaN;
}

// The predicate as a function of an element. An attribute is a node-set: a comparison with it
// is false when the attribute is missing, and arithmetic on a missing one gives NaN.
function predicate(text) {
    const tokens = text.match(/\s*(>=|<=|!=|[()=<>+\-*]|@[A-Za-z_][\w.-]*|\d+(?:\.\d*)?|and\b|or\b)/g);
    if (!tokens || tokens.join('').replace(/\s+/g, '') !== text.replace(/\s+/g, '')) throw new Error(`cannot read ${text}`);
    let at = 0;
    const peek = () => (at < tokens.length ? tokens[at].trim() : null);
    const next = () => tokens[at++].trim();
    function primary() {
        const token = next();
        if (token === '(') {
            const inner = or();
            if (next() !== ')') throw new Error(`cannot read ${text}`);
            return inner;
        }
        if (token[0] === '@') {
            const name = token.slice(1);
            return (node) => (Object.prototype.hasOwnProperty.call(node.attributes, name) ? node.attributes[name] : undefined);
        }
        const value = parseFloat(token);
        return () => value;
    }
    const asNumber = (value) => (value === undefined ? NaN : typeof value === 'string' ? number(value) : value);
    function product() {
        let left = primary();
        while (peek() === '*') {
            next();
            const a = left, b = primary();
            left = (node) => asNumber(a(node)) * asNumber(b(node));
        }
        return left;
    }
    function sum() {
        let left = product();
        while (peek() === '+' || peek() === '-') {
            const sign = next() === '+' ? 1 : -1;
            const a = left, b = product();
            left = (node) => asNumber(a(node)) + sign * asNumber(b(node));
        }
        return left;
    }
    const operators = { '>=': (x, y) => x >= y, '<=': (x, y) => x <= y, '>': (x, y) => x > y, '<': (x, y) => x < y,
        '=': (x, y) => x === y, '!=': (x, y) => x !== y };
    function comparison() {
        const left = sum();
        if (!operators[peek()]) return left;
        const compare = operators[next()];
        const right = sum();
        return (node) => {
            const a = left(node), b = right(node);
            if (a === undefined || b === undefined) return false;
            return compare(asNumber(a), asNumber(b));
        };
    }
    function and() {
        let left = comparison();
        while (peek() === 'and') {
            next();
            const a = left, b = comparison();
            left = (node) => Boolean(a(node)) && Boolean(b(node));
        }
        return left;
    }
    function or() {
        let left = and();
        while (peek() === 'or') {
            next();
            const a = left, b = and();
            left = (node) => Boolean(a(node)) || Boolean(b(node));
        }
        return left;
    }
    const whole = or();
    if (at !== tokens.length) throw new Error(`cannot read ${text}`);
    return (node) => Boolean(whole(node));
}

function element(nodeName, attributes, children) {
    return { nodeName, attributes: attributes || {}, children: children || [] };
}

// The elements of a parsed document (any DOM), for a stand-in over a small test log.
function fromDom(node) {
    const attributes = {};
    for (let i = 0; node.attributes && i < node.attributes.length; i++) {
        attributes[node.attributes.item(i).name] = node.attributes.item(i).value;
    }
    const children = [];
    for (let i = 0; i < node.childNodes.length; i++) {
        if (node.childNodes.item(i).nodeType === 1) children.push(fromDom(node.childNodes.item(i)));
    }
    return element(node.nodeName, attributes, children);
}

module.exports = { CountingDom, element, fromDom };
