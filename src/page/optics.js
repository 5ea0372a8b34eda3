'use strict';

// What one source's matrices imply beyond the four points the dialogue
// prints: the focal lengths, the nodal points, the image of an object and
// the path of a ray. A source is one record of window.tremovia.lens(): the
// program's (its product surface terms) or the textbook's (quotients). A
// ray is (y, slope): R1 acts at v1, T12 across the lens, R2 at v2.
// (No shorthand properties: Debian's emscripten minifies them wrongly.)
const lensOptics = (() => {
  // The image of an object standing at xo, h cm high: at v2 + d, with
  // d = -(S11 L + S12) / (S21 L + S22) and L = v1 - xo; at infinity when the
  // object stands at the focal point, where the denominator vanishes.
  const imageOf = (m, xo, h) => {
    const L = m.v1 - xo;
    const denominator = m.S21 * L + m.S22;
    if (!(Math.abs(denominator) > 1e-12 * (Math.abs(m.S21 * L) + Math.abs(m.S22)))) {
      return { atInfinity: Number.isFinite(denominator) };
    }
    const d = -(m.S11 * L + m.S12) / denominator;
    const magnification = m.S11 + d * m.S21;
    return { position: m.v2 + d, height: magnification * h, magnification: magnification, virtual: d < 0, atInfinity: false };
  };

  // The focal lengths, the nodal points (a ray aimed at NO leaves from NI
  // at the same slope) and the image of `object` ({ x, h }).
  const derived = (m, object) => {
    const NO = m.v1 - (1 - m.S22) / m.S21;
    return {
      fI: m.FI - m.HI, fO: m.HO - m.FO, NO: NO, NI: m.v2 - (m.S11 * (m.v1 - NO) + m.S12),
      image: imageOf(m, object.x, object.h),
    };
  };

  // The ray that leaves (x, y) with `slope`: its points at the start, at v1
  // and at v2, and its slope after v2.
  const trace = (m, x, y, slope) => {
    const y1 = y + slope * (m.v1 - x);
    const slope1 = m.R121 * y1 + m.R122 * slope;
    const y2 = y1 + m.T1212 * slope1;
    return { points: [[x, y], [m.v1, y1], [m.v2, y2]], slope: m.R221 * y2 + m.R222 * slope1 };
  };

  // The three principal rays from the tip of `object`: parallel to the
  // axis, aimed at FO, aimed at NO.
  const principalRays = (m, object, nodal) => ({
    parallel: trace(m, object.x, object.h, 0),
    focal: trace(m, object.x, object.h, -object.h / (m.FO - object.x)),
    nodal: trace(m, object.x, object.h, -object.h / (nodal - object.x)),
  });

  return { derived: derived, principalRays: principalRays };
})();
